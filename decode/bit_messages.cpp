// The bit-packed messages besides entities and clientdata: delta
// descriptions, events, sounds, the resource list and pings. Only the
// descriptions are kept; the others are read to know where they end.
#include "decode/decode_parts.h"
#include "shared/text.h"

enum {
    EVENT_COUNT_BITS = 5,
    EVENT_INDEX_BITS = 10,
    PACKET_INDEX_BITS = 11,
    EVENT_DELAY_BITS = 16,
    SOUND_FLAG_BITS = 9,
    SOUND_VOLUME = 1,
    SOUND_ATTENUATION = 2,
    SOUND_LARGE_INDEX = 4,
    SOUND_PITCH = 8,
    RESOURCE_COUNT_BITS = 12,
    RESOURCE_HASHED = 4,
    MD5_BYTES = 16,
    RESERVED_BYTES = 32
};

static const char* const RoleNames[ROLE_COUNT] = {"event_t", "weapon_data_t", "clientdata_t",
                                                  "entity_state_t", "entity_state_player_t",
                                                  "custom_entity_state_t"};

static void SkipBits(BitReader* reader, size_t count)
{
    if (count > reader->size * 8 - reader->pos) {
        reader->ok = false;
        reader->pos = reader->size * 8;
        return;
    }
    reader->pos += count;
}

// Which description plays which part, and where each keeps its origin.
static void FindRoles(DecodeState* state)
{
    static const char* const axes[3] = {"origin[0]", "origin[1]", "origin[2]"};
    for (int role = 0; role < ROLE_COUNT; role++) {
        state->roles[role] = -1;
        for (int i = 0; i < state->descriptionCount; i++) {
            if (strcmp(state->descriptions[i].name, RoleNames[role]) == 0)
                state->roles[role] = i;
        }
        state->wanted[role] = 0;
        for (int axis = 0; axis < 3; axis++) {
            const DeltaDescription* description = RoleDescription(*state, (DescriptionRole)role);
            state->origins[role][axis] = description ? FindDeltaField(*description, axes[axis]) : -1;
            // Positions are what the timeline asks of players and the recorder.
            if (state->origins[role][axis] >= 0 && (role == ROLE_PLAYER || role == ROLE_CLIENTDATA))
                state->wanted[role] |= 1ull << state->origins[role][axis];
        }
    }
}

bool ReadDeltaDescriptionMessage(FrameContext* context, BitReader* reader)
{
    DecodeState* state = context->state;
    size_t length;
    const char* name = TakeText(reader, &length);
    if (!reader->ok)
        return false;
    DeltaDescription* read = &state->scratchDescription;
    if (!CopyTextPrefix(read->name, sizeof read->name, name, length))
        return Refuse(context, "svc_deltadescription at %u: the name is over %d bytes", context->messageAt,
                      DELTA_NAME_SIZE - 1);
    size_t startByte = reader->pos >> 3;
    if (!ReadDeltaDescriptionFields(reader, read, context->report->reason, DECODE_REASON_SIZE))
        return false;
    EndBits(reader, startByte);
    if (!reader->ok)
        return false;
    // A description sent again replaces the one of that name.
    int index = 0;
    while (index < state->descriptionCount && strcmp(state->descriptions[index].name, read->name) != 0)
        index++;
    if (index == DECODE_MAX_DESCRIPTIONS)
        return Refuse(context, "svc_deltadescription at %u: more than %d descriptions", context->messageAt,
                      DECODE_MAX_DESCRIPTIONS);
    state->descriptions[index] = *read;
    MeasureDeltaFields(*read, &state->widths[index]);
    state->timeFields[index] = 0;
    for (int i = 0; i < read->fieldCount; i++) {
        uint32_t type = read->fields[i].type & ~(uint32_t)DT_SIGNED;
        if (type == DT_TIMEWINDOW_8 || type == DT_TIMEWINDOW_BIG)
            state->timeFields[index] |= 1ull << i;
    }
    if (index == state->descriptionCount)
        state->descriptionCount++;
    FindRoles(state);
    return true;
}

// An event's arguments: a delta against all-zero arguments, kept nowhere.
static bool SkipEventArguments(FrameContext* context, BitReader* reader)
{
    const DeltaDescription* description = RoleDescription(*context->state, ROLE_EVENT);
    if (!description)
        return Refuse(context, "event at %u has arguments, but the demo did not describe event_t",
                      context->messageAt);
    uint64_t sent;
    ReadDeltaFields(reader, *description, WidthsOf(*context->state, description), 0, NULL, NULL, &sent);
    return true;
}

bool ReadEventMessage(FrameContext* context, BitReader* reader)
{
    size_t startByte = reader->pos >> 3;
    uint32_t count = ReadBits(reader, EVENT_COUNT_BITS);
    for (uint32_t i = 0; i < count && reader->ok; i++) {
        ReadBits(reader, EVENT_INDEX_BITS);
        if (ReadBits(reader, 1)) {
            ReadBits(reader, PACKET_INDEX_BITS);
            if (ReadBits(reader, 1) && !SkipEventArguments(context, reader))
                return false;
        }
        if (ReadBits(reader, 1))
            ReadBits(reader, EVENT_DELAY_BITS);
    }
    EndBits(reader, startByte);
    return true;
}

bool ReadReliableEvent(FrameContext* context, BitReader* reader)
{
    size_t startByte = reader->pos >> 3;
    ReadBits(reader, EVENT_INDEX_BITS);
    if (!SkipEventArguments(context, reader))
        return false;
    if (ReadBits(reader, 1))
        ReadBits(reader, EVENT_DELAY_BITS);
    EndBits(reader, startByte);
    return true;
}

bool ReadSound(FrameContext* context, BitReader* reader)
{
    (void)context;
    size_t startByte = reader->pos >> 3;
    uint32_t flags = ReadBits(reader, SOUND_FLAG_BITS);
    SkipBits(reader, (flags & SOUND_VOLUME ? 8 : 0) + (flags & SOUND_ATTENUATION ? 8 : 0));
    SkipBits(reader, 3 + 11);      // channel, entity
    SkipBits(reader, flags & SOUND_LARGE_INDEX ? 16 : 8);
    float origin[3];
    ReadBitVector(reader, origin);
    if (flags & SOUND_PITCH)
        SkipBits(reader, 8);
    EndBits(reader, startByte);
    return true;
}

bool ReadResourceList(FrameContext* context, BitReader* reader)
{
    (void)context;
    size_t startByte = reader->pos >> 3;
    uint32_t count = ReadBits(reader, RESOURCE_COUNT_BITS);
    for (uint32_t i = 0; i < count && reader->ok; i++) {
        SkipBits(reader, 4);       // type
        ReadBitString(reader, NULL, 0);
        SkipBits(reader, 12 + 24); // index, download size
        uint32_t flags = ReadBits(reader, 3);
        if (flags & RESOURCE_HASHED)
            SkipBits(reader, MD5_BYTES * 8);
        if (ReadBits(reader, 1))
            SkipBits(reader, RESERVED_BYTES * 8);
    }
    // The consistency list: indices to check, each a step or absolute.
    if (ReadBits(reader, 1)) {
        while (reader->ok && ReadBits(reader, 1))
            SkipBits(reader, ReadBits(reader, 1) ? 5 : 10);
    }
    EndBits(reader, startByte);
    return true;
}

bool ReadPings(FrameContext* context, BitReader* reader)
{
    (void)context;
    size_t startByte = reader->pos >> 3;
    while (reader->ok && ReadBits(reader, 1))
        SkipBits(reader, 5 + 12 + 7);  // slot, ping, loss
    EndBits(reader, startByte);
    return true;
}
