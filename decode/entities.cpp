// The delta-compressed state of the world: entity lists by packet, their
// baselines, and the recorder's clientdata and weapons by packet. States are
// shared between the packets that hold them, so a packet that changes a few
// entities copies only those.
#include "decode/decode_parts.h"

#include <algorithm>

enum {
    NO_BASELINE = 0xFF,
    ENTITY_NUMBER_BITS = 11,
    ENTITY_STEP_BITS = 6,
    LIST_END_BITS = 16,
    BASELINE_END = 0xFFFF,
    INSTANCED_BITS = 6,
    WEAPON_INDEX_BITS = 6
};

static const char* const KindDescriptions[] = {"entity_state_t", "entity_state_player_t", "custom_entity_state_t"};

// The server time a state's time-window values count back from: this
// message's when it sends one, else that of the state it was copied from (0
// for the all-zero state, whose times are 0).
static float TimeBase(const DecodeState& state, const DeltaDescription* description, uint64_t sent, float fromBase)
{
    uint64_t timeFields = state.timeFields[description - state.descriptions];
    return sent & timeFields ? state.serverTime : fromBase;
}

// States are shared by every packet that carries them unchanged, and freed
// by a sweep when the pool runs out: a state no packet (and no list being
// built) holds is free. Carrying an entity is then a plain copy of its entry.
static void CollectStates(DecodeState* state)
{
    std::vector<uint8_t>& marks = state->entityMarks;
    marks.assign(state->entityCount, 0);
    for (const PacketEntities& packet : state->packets) {
        for (const PacketEntry& entry : packet.entries) {
            if (entry.state != NO_STATE)
                marks[entry.state] = 1;
        }
    }
    for (const PacketEntry& entry : state->scratchEntries) {
        if (entry.state != NO_STATE)
            marks[entry.state] = 1;
    }
    state->freeStates.clear();
    for (size_t id = 0; id < marks.size(); id++) {
        if (!marks[id])
            state->freeStates.push_back((uint32_t)id);
    }
    size_t live = marks.size() - state->freeStates.size();
    // Grow by a quarter of the live states before the next sweep, so sweeps
    // stay rare and the pool within a quarter again of what the packets hold
    // (at most 64 packets of 2048 entities: under 40 MiB of states).
    state->collectAt = live + live / 4 + 4096;
}

static uint32_t NewState(DecodeState* state)
{
    if (state->freeStates.empty() && state->entityCount >= state->collectAt)
        CollectStates(state);
    if (state->freeStates.empty()) {
        if (state->entityCount == state->entityBlocks.size() * DECODE_POOL_BLOCK)
            state->entityBlocks.emplace_back(new EntityState[DECODE_POOL_BLOCK]);
        return (uint32_t)state->entityCount++;
    }
    uint32_t id = state->freeStates.back();
    state->freeStates.pop_back();
    return id;
}

void ResetEntities(DecodeState* state)
{
    for (PacketEntities& packet : state->packets) {
        packet.entries.clear();
        packet.valid = false;
    }
    state->scratchEntries.clear();
    // The pool keeps its blocks for the next demo: states are made in them again.
    state->freeStates.clear();
    state->entityCount = 0;
    state->collectAt = 0;
    state->latestPacket = -1;
    for (ClientState& client : state->clients)
        client.valid = false;
    state->latestClient = -1;
    for (uint16_t number : state->baselineNumbers)
        state->baselines[number].kind = NO_BASELINE;
    state->baselineNumbers.clear();
    state->instancedCount = 0;
}

static int KindOf(const DecodeState& state, int number, bool custom)
{
    if (custom)
        return ENTITY_CUSTOM;
    return number >= 1 && number <= state.maxClients ? ENTITY_PLAYER : ENTITY_NORMAL;
}

// The values a delta applies to: from as held, or converted field by field
// when it was kept under another kind's description.
static const DeltaValues* FromValues(const DecodeState& state, const EntityState* from, int kind,
                                     DeltaValues* converted)
{
    if (!from)
        return NULL;
    if (from->kind == kind)
        return &from->values;
    const DeltaDescription* held = EntityDescription(state, from->kind);
    const DeltaDescription* wanted = EntityDescription(state, kind);
    if (!held || !wanted)
        return NULL;
    ConvertDeltaValues(*held, from->values, *wanted, converted);
    return converted;
}

// The bits after a record's number: custom, instanced index, offset, then
// its delta from the state the record names. The new state's id joins list.
static bool ReadEntityRecord(FrameContext* context, BitReader* reader, bool delta, int number, int previousId,
                             std::vector<PacketEntry>* list)
{
    DecodeState* state = context->state;
    bool custom = ReadBits(reader, 1) != 0;
    int instanced = -1;
    if (state->instancedCount > 0 && ReadBits(reader, 1))
        instanced = (int)ReadBits(reader, INSTANCED_BITS);
    size_t offset = 0;
    if (!delta && instanced < 0 && ReadBits(reader, 1))
        offset = ReadBits(reader, ENTITY_STEP_BITS);
    int kind = KindOf(*state, number, custom);
    const DeltaDescription* description = EntityDescription(*state, kind);
    if (!description)
        return Refuse(context, "entity %d at %u needs %s, which the demo did not describe", number,
                      context->messageAt, KindDescriptions[kind]);
    if (instanced >= state->instancedCount)
        return Refuse(context, "entity %d at %u names instanced baseline %d of %d", number, context->messageAt,
                      instanced, state->instancedCount);
    if (offset > list->size())
        return Refuse(context, "entity %d at %u starts from %u entities back, past the packet's start", number,
                      context->messageAt, (unsigned)offset);
    uint64_t sent;
    // Only players are asked for their values when the timeline is all that
    // is wanted; other entities of a delta list are walked, not kept. A full
    // list keeps all, as its records may start from each other.
    bool walkOnly = !state->keepAllEntities && delta;
    if (walkOnly && kind != ENTITY_PLAYER) {
        list->emplace_back();
        list->back().state = NO_STATE;
        list->back().number = (uint16_t)number;
        if (!ReadDeltaFields(reader, *description, WidthsOf(*state, description), 0, NULL, NULL, &sent))
            return Refuse(context, "entity %d at %u: its delta runs past the frame", number, context->messageAt);
        return true;
    }
    uint32_t id = NewState(state);
    list->emplace_back();
    list->back().state = id;
    list->back().number = (uint16_t)number;
    const EntityState* from = NULL;
    if (previousId >= 0 && (uint32_t)previousId != NO_STATE)
        from = PoolState(state, (uint32_t)previousId);
    else if (previousId >= 0)
        from = NULL;
    else if (instanced >= 0)
        from = &state->instanced[instanced];
    else if (offset > 0)
        from = PoolState(state, (*list)[list->size() - 1 - offset].state);
    else if (state->baselines[(size_t)number].kind != NO_BASELINE)
        from = &state->baselines[(size_t)number];
    DeltaValues converted;
    const DeltaValues* fromValues = FromValues(*state, from, kind, &converted);
    EntityState* target = PoolState(state, id);
    target->number = (uint16_t)number;
    target->kind = (uint8_t)kind;
    bool read = walkOnly ? ReadDeltaFields(reader, *description, WidthsOf(*state, description),
                                           state->wanted[ROLE_PLAYER], fromValues, &target->values, &sent)
                         : ReadDelta(reader, *description, fromValues, &target->values, &state->strings, &sent);
    if (!read)
        return Refuse(context, "entity %d at %u: its delta runs past the frame or holds a string that cannot be kept",
                      number, context->messageAt);
    target->timeBase = TimeBase(*state, description, sent, from ? from->timeBase : 0);
    return true;
}

bool ReadPacketEntities(FrameContext* context, BitReader* reader, bool delta)
{
    DecodeState* state = context->state;
    const char* name = delta ? "svc_deltapacketentities" : "svc_packetentities";
    uint32_t count = ReadBits(reader, 16);
    int fromSequence = delta ? (int)ReadBits(reader, 8) : -2;
    context->report->entitiesFrom = fromSequence;
    if (!reader->ok)
        return false;
    size_t startByte = reader->pos >> 3;
    const PacketEntities* old = NULL;
    if (delta) {
        old = FindPacket(*state, (uint8_t)fromSequence);
        if (!old)
            return Refuse(context, "%s at %u is a delta from sequence %d, which no packet holds", name,
                          context->messageAt, fromSequence);
    }
    std::vector<PacketEntry>* list = &state->scratchEntries;
    list->clear();
    const PacketEntry* oldEntries = old ? old->entries.data() : NULL;
    size_t oldIndex = 0, oldCount = old ? old->entries.size() : 0;
    int number = 0;
    bool first = true, read = true;
    for (;;) {
        if (reader->pos + LIST_END_BITS > reader->size * 8) {
            read = Refuse(context, "%s at %u runs past the end of the frame", name, context->messageAt);
            break;
        }
        if (PeekBits(reader, LIST_END_BITS) == 0) {
            ReadBits(reader, LIST_END_BITS);
            break;
        }
        bool remove = delta && ReadBits(reader, 1);
        int next;
        if (!delta && ReadBits(reader, 1))
            next = number + 1;
        else if (ReadBits(reader, 1))
            next = (int)ReadBits(reader, ENTITY_NUMBER_BITS);
        else
            next = number + (int)ReadBits(reader, ENTITY_STEP_BITS);
        if (next >= DECODE_MAX_ENTITIES || (!first && next <= number)) {
            read = Refuse(context, "%s at %u: entity %d follows entity %d", name, context->messageAt, next, number);
            break;
        }
        first = false;
        number = next;
        size_t carried = oldIndex;
        oldIndex = (size_t)(std::lower_bound(oldEntries + oldIndex, oldEntries + oldCount, number,
                                             [](const PacketEntry& entry, int n) { return entry.number < n; }) -
                            oldEntries);
        list->insert(list->end(), oldEntries + carried, oldEntries + oldIndex);
        int previousId = -1;
        if (oldIndex < oldCount && oldEntries[oldIndex].number == number)
            previousId = (int)oldEntries[oldIndex++].state;
        if (remove)
            continue;
        if (!ReadEntityRecord(context, reader, delta, number, previousId, list)) {
            read = false;
            break;
        }
    }
    if (read)
        list->insert(list->end(), oldEntries + oldIndex, oldEntries + oldCount);
    if (read && !reader->ok)
        read = Refuse(context, "%s at %u runs past the end of the frame", name, context->messageAt);
    if (read && list->size() != count)
        read = Refuse(context, "%s at %u holds %u entities where it says %u", name, context->messageAt,
                      (unsigned)list->size(), count);
    if (!read) {
        list->clear();
        return false;
    }
    EndBits(reader, startByte);
    int slot = context->frame->incomingSequence & (DECODE_HISTORY - 1);
    PacketEntities* packet = &state->packets[slot];
    packet->entries.swap(*list);
    list->clear();
    packet->valid = true;
    packet->sequence = (uint8_t)context->frame->incomingSequence;
    packet->incomingSequence = context->frame->incomingSequence;
    packet->serverTime = state->serverTime;
    state->latestPacket = slot;
    return reader->ok;
}

bool ReadSpawnBaseline(FrameContext* context, BitReader* reader)
{
    DecodeState* state = context->state;
    size_t startByte = reader->pos >> 3;
    uint64_t sent;
    for (;;) {
        if (reader->pos + LIST_END_BITS > reader->size * 8)
            return Refuse(context, "svc_spawnbaseline at %u runs past the end of the frame", context->messageAt);
        if (PeekBits(reader, LIST_END_BITS) == BASELINE_END)
            break;
        int number = (int)ReadBits(reader, ENTITY_NUMBER_BITS);
        uint32_t type = ReadBits(reader, 2);
        // The writer's rule: custom unless bit 0 (normal) is set.
        int kind = KindOf(*state, number, (type & 1) == 0);
        const DeltaDescription* description = EntityDescription(*state, kind);
        if (!description)
            return Refuse(context, "baseline %d at %u needs %s, which the demo did not describe", number,
                          context->messageAt, KindDescriptions[kind]);
        EntityState* baseline = &state->baselines[(size_t)number];
        if (baseline->kind == NO_BASELINE)
            state->baselineNumbers.push_back((uint16_t)number);
        baseline->number = (uint16_t)number;
        baseline->kind = (uint8_t)kind;
        if (!ReadDelta(reader, *description, NULL, &baseline->values, &state->strings, &sent)) {
            baseline->kind = NO_BASELINE;
            return Refuse(context, "baseline %d at %u cannot be read", number, context->messageAt);
        }
        baseline->timeBase = TimeBase(*state, description, sent, 0);
    }
    ReadBits(reader, LIST_END_BITS);
    int count = (int)ReadBits(reader, INSTANCED_BITS);
    const DeltaDescription* description = EntityDescription(*state, ENTITY_NORMAL);
    if (count > 0 && !description)
        return Refuse(context, "svc_spawnbaseline at %u has instanced baselines but no entity_state_t",
                      context->messageAt);
    for (int i = 0; i < count; i++) {
        state->instanced[i].number = 0;
        state->instanced[i].kind = ENTITY_NORMAL;
        if (!ReadDelta(reader, *description, NULL, &state->instanced[i].values, &state->strings, &sent))
            return Refuse(context, "instanced baseline %d at %u cannot be read", i, context->messageAt);
        state->instanced[i].timeBase = TimeBase(*state, description, sent, 0);
    }
    state->instancedCount = count;
    EndBits(reader, startByte);
    return reader->ok;
}

static void CopyClientState(const ClientState& from, ClientState* to)
{
    to->clientdata = from.clientdata;
    to->weaponsHeld = from.weaponsHeld;
    for (uint64_t held = from.weaponsHeld; held; held &= held - 1) {
        int i = LowestSetBit(held);
        to->weapons[i] = from.weapons[i];
    }
}

bool ReadClientData(FrameContext* context, BitReader* reader)
{
    DecodeState* state = context->state;
    // A proxy's stream: the id byte alone.
    if (state->hltvSpectator)
        return true;
    size_t startByte = reader->pos >> 3;
    const DeltaDescription* clientdata = RoleDescription(*state, ROLE_CLIENTDATA);
    const DeltaDescription* weapon = RoleDescription(*state, ROLE_WEAPON);
    if (!clientdata)
        return Refuse(context, "svc_clientdata at %u: the demo did not describe clientdata_t", context->messageAt);
    int fromSequence = ReadBits(reader, 1) ? (int)ReadBits(reader, 8) : -2;
    context->report->clientdataFrom = fromSequence;
    int slot = context->frame->incomingSequence & (DECODE_HISTORY - 1);
    ClientState* target = &state->clients[(size_t)slot];
    if (fromSequence >= 0) {
        const ClientState* old = FindClientState(*state, (uint8_t)fromSequence);
        if (!old)
            return Refuse(context, "svc_clientdata at %u is a delta from sequence %d, which no packet holds",
                          context->messageAt, fromSequence);
        if (old != target)
            CopyClientState(*old, target);
    } else {
        memset(&target->clientdata, 0, sizeof target->clientdata);
        target->weaponsHeld = 0;
    }
    target->valid = false;
    uint64_t sent;
    // The timeline wants the recorder's origin alone: the rest is walked.
    bool keep = state->keepAllEntities;
    bool read = keep ? ReadDelta(reader, *clientdata, &target->clientdata, &target->clientdata, &state->strings, &sent)
                     : ReadDeltaFields(reader, *clientdata, WidthsOf(*state, clientdata), state->wanted[ROLE_CLIENTDATA],
                                       &target->clientdata, &target->clientdata, &sent);
    while (read && ReadBits(reader, 1)) {
        int index = (int)ReadBits(reader, WEAPON_INDEX_BITS);
        if (!weapon)
            return Refuse(context, "svc_clientdata at %u: the demo did not describe weapon_data_t",
                          context->messageAt);
        uint64_t bit = 1ull << index;
        DeltaValues* values = &target->weapons[index];
        if (!keep) {
            read = ReadDeltaFields(reader, *weapon, WidthsOf(*state, weapon), 0, NULL, NULL, &sent);
            continue;
        }
        read = ReadDelta(reader, *weapon, target->weaponsHeld & bit ? values : NULL, values, &state->strings, &sent);
        target->weaponsHeld |= bit;
    }
    if (!read || !reader->ok)
        return Refuse(context, "svc_clientdata at %u runs past the end of the frame", context->messageAt);
    EndBits(reader, startByte);
    target->valid = true;
    target->sequence = (uint8_t)context->frame->incomingSequence;
    state->latestClient = slot;
    state->tracking.clientdataThisFrame = true;
    return reader->ok;
}

static bool OriginOf(const DecodeState& state, int role, const DeltaValues& values, float origin[3])
{
    const DeltaDescription* description = RoleDescription(state, (DescriptionRole)role);
    if (!description)
        return false;
    for (int axis = 0; axis < 3; axis++) {
        int field = state.origins[role][axis];
        if (field < 0)
            return false;
        origin[axis] = (float)DeltaFieldValue(description->fields[field], values.raw[field], 0);
    }
    return true;
}

bool EntityOrigin(const DecodeState& state, int entity, float origin[3])
{
    if (state.latestPacket < 0)
        return false;
    const PacketEntities& packet = state.packets[state.latestPacket];
    size_t low = 0, high = packet.entries.size();
    while (low < high) {
        size_t middle = (low + high) / 2;
        if (packet.entries[middle].number < entity)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == packet.entries.size() || packet.entries[low].number != entity || packet.entries[low].state == NO_STATE)
        return false;
    const EntityState& found = PacketEntity(state, packet, low);
    static const int roles[] = {ROLE_ENTITY, ROLE_PLAYER, ROLE_CUSTOM};
    return OriginOf(state, roles[found.kind], found.values, origin);
}

bool RecorderOrigin(const DecodeState& state, float origin[3])
{
    if (state.latestClient < 0)
        return false;
    return OriginOf(state, ROLE_CLIENTDATA, state.clients[(size_t)state.latestClient].clientdata, origin);
}
