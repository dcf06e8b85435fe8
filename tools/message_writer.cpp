#include "tools/message_writer.h"

#include <string.h>

#include "decode/cut_messages.h"

enum {
    SVC_EVENT = 3,
    SVC_SOUND = 6,
    SVC_DELTADESCRIPTION = 14,
    SVC_PINGS = 17,
    SVC_SPAWNBASELINE = 22,
    SVC_NEWUSERMSG = 39,
    SVC_PACKETENTITIES = 40,
    SVC_RESOURCELIST = 43,
    ENTITY_NUMBER_BITS = 11,
    ENTITY_STEP_BITS = 6,
    MAX_ENTITY_STEP = 63,              // also how far back a full packet's offset reaches
    BASELINE_END = 0xFFFF,
    ENTITY_TYPE_NORMAL = 1,
    MAX_EVENTS = 31,
    SOUND_VOLUME = 1,
    SOUND_ATTENUATION = 2,
    SOUND_LONG_INDEX = 4,
    SOUND_PITCH = 8
};

void PutByte(MessageBytes* out, unsigned value)
{
    out->push_back((unsigned char)value);
}

void PutShort(MessageBytes* out, int value)
{
    out->push_back((unsigned char)value);
    out->push_back((unsigned char)((unsigned)value >> 8));
}

void PutLong(MessageBytes* out, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        out->push_back((unsigned char)(value >> (8 * i)));
}

void PutFloat(MessageBytes* out, float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    PutLong(out, bits);
}

void PutString(MessageBytes* out, const char* text)
{
    out->insert(out->end(), text, text + strlen(text) + 1);
}

void WriteUserMessageRegistration(MessageBytes* out, int id, int size, const char* name)
{
    PutByte(out, SVC_NEWUSERMSG);
    PutByte(out, (unsigned)id);
    PutByte(out, size < 0 ? 255u : (unsigned)size);
    unsigned char field[16] = {0};
    size_t length = strlen(name);
    memcpy(field, name, length < 15 ? length : 15);
    out->insert(out->end(), field, field + sizeof field);
}

void WriteUserMessage(MessageBytes* out, int id, int size, const MessageBytes& payload)
{
    size_t length = size < 0 ? payload.size() : (size_t)size;
    if (length > MAX_USER_MESSAGE_PAYLOAD)
        length = MAX_USER_MESSAGE_PAYLOAD;
    PutByte(out, (unsigned)id);
    if (size < 0)
        PutByte(out, (unsigned)length);
    size_t copied = payload.size() < length ? payload.size() : length;
    out->insert(out->end(), payload.begin(), payload.begin() + (long)copied);
    out->resize(out->size() + (length - copied), 0);
}

void WriteDeltaDescription(MessageBytes* out, const DeltaDescription& description)
{
    PutByte(out, SVC_DELTADESCRIPTION);
    PutString(out, description.name);
    BitWriter writer;
    StartBitWriter(&writer, out);
    WriteDeltaDescriptionFields(&writer, description);
    EndBitWriting(&writer);
}

static const DeltaDescription& EntityDescription(const DeltaSet& set, int number)
{
    return number >= 1 && number <= set.maxClients ? *set.player : *set.entity;
}

static const DeltaValues& ZeroValues()
{
    static const DeltaValues zero = DeltaValues();
    return zero;
}

// The baseline of number, or the all-zero state when it has none.
static const DeltaValues& Baseline(const EntityList& baselines, int number)
{
    size_t low = 0, high = baselines.size();
    while (low < high) {
        size_t middle = (low + high) / 2;
        if (baselines[middle].number < number)
            low = middle + 1;
        else
            high = middle;
    }
    return low < baselines.size() && baselines[low].number == number ? baselines[low].values : ZeroValues();
}

// Writes to against from as the engine does: the fields that changed.
static void WriteChange(BitWriter* writer, const DeltaDescription& description, const DeltaValues& from,
                        const DeltaValues& to, const DeltaStrings* strings)
{
    WriteDelta(writer, description, to, ChangedDeltaFields(description, &from, to), strings);
}

static size_t ChangeBits(const DeltaDescription& description, const DeltaValues& from, const DeltaValues& to,
                         const DeltaStrings* strings)
{
    MessageBytes scratch;
    BitWriter writer;
    StartBitWriter(&writer, &scratch);
    WriteChange(&writer, description, from, to, strings);
    return writer.pos;
}

void WriteSpawnBaseline(MessageBytes* out, const DeltaSet& set, const EntityList& baselines)
{
    PutByte(out, SVC_SPAWNBASELINE);
    BitWriter writer;
    StartBitWriter(&writer, out);
    for (const PacketEntity& entity : baselines) {
        WriteBits(&writer, (uint32_t)entity.number, ENTITY_NUMBER_BITS);
        WriteBits(&writer, ENTITY_TYPE_NORMAL, 2);
        WriteChange(&writer, EntityDescription(set, entity.number), ZeroValues(), entity.values, set.strings);
    }
    WriteBits(&writer, BASELINE_END, 16);
    WriteBits(&writer, 0, 6);          // instanced baselines
    EndBitWriting(&writer);
}

// The number of a full packet's record: "previous + 1", a step from the
// previous record, or the number itself.
static void WriteEntityNumber(BitWriter* writer, int previous, int number)
{
    WriteBits(writer, number == previous + 1, 1);
    if (number == previous + 1)
        return;
    int step = number - previous;
    bool absolute = step < 1 || step > MAX_ENTITY_STEP;
    WriteBits(writer, absolute, 1);
    if (absolute)
        WriteBits(writer, (uint32_t)number, ENTITY_NUMBER_BITS);
    else
        WriteBits(writer, (uint32_t)step, ENTITY_STEP_BITS);
}

void WritePacketEntities(MessageBytes* out, const DeltaSet& set, const EntityList& baselines,
                         const EntityList& packet)
{
    PutByte(out, SVC_PACKETENTITIES);
    PutShort(out, (int)packet.size());
    BitWriter writer;
    StartBitWriter(&writer, out);
    int previous = 0;
    for (size_t k = 0; k < packet.size(); k++) {
        const PacketEntity& entity = packet[k];
        const DeltaDescription& description = EntityDescription(set, entity.number);
        const DeltaValues* from = &Baseline(baselines, entity.number);
        size_t best = ChangeBits(description, *from, entity.values, set.strings);
        size_t offset = 0;
        for (size_t back = 1; back <= MAX_ENTITY_STEP && back <= k; back++) {
            const PacketEntity& earlier = packet[k - back];
            if (&EntityDescription(set, earlier.number) != &description)
                continue;
            size_t bits = ChangeBits(description, earlier.values, entity.values, set.strings);
            if (bits < best) {
                best = bits;
                offset = back;
            }
        }
        WriteEntityNumber(&writer, previous, entity.number);
        WriteBits(&writer, 0, 1);      // not custom
        WriteBits(&writer, offset != 0, 1);
        if (offset) {
            WriteBits(&writer, (uint32_t)offset, ENTITY_STEP_BITS);
            from = &packet[k - offset].values;
        }
        WriteChange(&writer, description, *from, entity.values, set.strings);
        previous = entity.number;
    }
    WriteBits(&writer, 0, 16);
    EndBitWriting(&writer);
}

void WriteDeltaPacketEntities(MessageBytes* out, const DeltaSet& set, const EntityList& baselines,
                              const EntityList& old, int deltaFrom, const EntityList& packet)
{
    std::vector<EntityRecordOut> records;
    size_t i = 0, k = 0;
    while (i < old.size() || k < packet.size()) {
        int oldNumber = i < old.size() ? old[i].number : 1 << 30;
        int newNumber = k < packet.size() ? packet[k].number : 1 << 30;
        EntityRecordOut record = EntityRecordOut();
        record.number = oldNumber < newNumber ? oldNumber : newNumber;
        record.description = &EntityDescription(set, record.number);
        if (oldNumber < newNumber) {
            record.remove = true;
            i++;
        } else {
            const DeltaValues& from = oldNumber == newNumber ? old[i].values : Baseline(baselines, newNumber);
            record.values = packet[k].values;
            record.sent = ChangedDeltaFields(*record.description, &from, record.values);
            i += oldNumber == newNumber;
            k++;
            // An entity the old packet had, unchanged, carries over unsent.
            if (oldNumber == newNumber && !record.sent)
                continue;
        }
        records.push_back(record);
    }
    AppendPacketEntities(out, true, deltaFrom, (int)packet.size(), records.data(), records.size(), false,
                         set.strings);
}

void WriteClientData(MessageBytes* out, const DeltaSet& set, const ClientState* old, int deltaFrom,
                     const ClientState& now)
{
    std::vector<WeaponRecordOut> weapons;
    for (int slot = 0; slot < WEAPON_SLOTS; slot++) {
        const DeltaValues& from = old ? old->weapons[slot] : ZeroValues();
        uint64_t changed = ChangedDeltaFields(*set.weaponData, &from, now.weapons[slot]);
        if (changed)
            weapons.push_back({slot, now.weapons[slot], changed});
    }
    uint64_t sent = ChangedDeltaFields(*set.clientData, old ? &old->client : NULL, now.client);
    AppendClientData(out, old ? deltaFrom & 0xFF : -1, *set.clientData, now.client, sent, *set.weaponData,
                     weapons.data(), weapons.size(), set.strings);
}

void WriteEvents(MessageBytes* out, const DeltaSet& set, const EventEntry* events, size_t count)
{
    if (count > MAX_EVENTS)
        count = MAX_EVENTS;
    PutByte(out, SVC_EVENT);
    BitWriter writer;
    StartBitWriter(&writer, out);
    WriteBits(&writer, (uint32_t)count, 5);
    for (size_t i = 0; i < count; i++) {
        const EventEntry& event = events[i];
        WriteBits(&writer, (uint32_t)event.index, 10);
        WriteBits(&writer, event.packetIndex >= 0, 1);
        if (event.packetIndex >= 0) {
            WriteBits(&writer, (uint32_t)event.packetIndex, ENTITY_NUMBER_BITS);
            WriteBits(&writer, event.hasArguments, 1);
            if (event.hasArguments)
                WriteChange(&writer, *set.event, ZeroValues(), event.arguments, set.strings);
        }
        WriteBits(&writer, event.fireTime != 0, 1);
        if (event.fireTime)
            WriteBits(&writer, (uint32_t)event.fireTime, 16);
    }
    EndBitWriting(&writer);
}

void WriteSound(MessageBytes* out, const SoundEntry& sound)
{
    unsigned flags = (sound.volume != 255 ? SOUND_VOLUME : 0) | (sound.attenuation != 64 ? SOUND_ATTENUATION : 0) |
                     (sound.sound > 255 ? SOUND_LONG_INDEX : 0) | (sound.pitch != 100 ? SOUND_PITCH : 0);
    PutByte(out, SVC_SOUND);
    BitWriter writer;
    StartBitWriter(&writer, out);
    WriteBits(&writer, flags, 9);
    if (flags & SOUND_VOLUME)
        WriteBits(&writer, (uint32_t)sound.volume, 8);
    if (flags & SOUND_ATTENUATION)
        WriteBits(&writer, (uint32_t)sound.attenuation, 8);
    WriteBits(&writer, (uint32_t)sound.channel, 3);
    WriteBits(&writer, (uint32_t)sound.entity, ENTITY_NUMBER_BITS);
    WriteBits(&writer, (uint32_t)sound.sound, flags & SOUND_LONG_INDEX ? 16 : 8);
    WriteBitVector(&writer, sound.origin);
    if (flags & SOUND_PITCH)
        WriteBits(&writer, (uint32_t)sound.pitch, 8);
    EndBitWriting(&writer);
}

void WritePings(MessageBytes* out, const PingEntry* pings, size_t count)
{
    PutByte(out, SVC_PINGS);
    BitWriter writer;
    StartBitWriter(&writer, out);
    for (size_t i = 0; i < count; i++) {
        WriteBits(&writer, 1, 1);
        WriteBits(&writer, (uint32_t)pings[i].slot, 5);
        WriteBits(&writer, (uint32_t)pings[i].ping, 12);
        WriteBits(&writer, (uint32_t)pings[i].loss, 7);
    }
    WriteBits(&writer, 0, 1);
    EndBitWriting(&writer);
}

void WriteResourceList(MessageBytes* out, const ResourceEntry* resources, size_t count,
                       const int* consistency, size_t consistencyCount)
{
    PutByte(out, SVC_RESOURCELIST);
    BitWriter writer;
    StartBitWriter(&writer, out);
    WriteBits(&writer, (uint32_t)count, 12);
    for (size_t i = 0; i < count; i++) {
        const ResourceEntry& resource = resources[i];
        WriteBits(&writer, (uint32_t)resource.type, 4);
        WriteBitString(&writer, resource.name);
        WriteBits(&writer, (uint32_t)resource.index, 12);
        WriteBits(&writer, (uint32_t)resource.downloadSize, 24);
        WriteBits(&writer, (uint32_t)resource.flags & 3, 3);
        WriteBits(&writer, resource.reserved, 1);
        if (resource.reserved) {
            static const unsigned char zeros[32] = {0};
            WriteBitBytes(&writer, zeros, sizeof zeros);
        }
    }
    WriteBits(&writer, consistencyCount != 0, 1);
    if (consistencyCount) {
        int last = 0;
        for (size_t i = 0; i < consistencyCount; i++) {
            int step = consistency[i] - last;
            WriteBits(&writer, 1, 1);
            WriteBits(&writer, step >= 1 && step < 32, 1);
            if (step >= 1 && step < 32)
                WriteBits(&writer, (uint32_t)step, 5);
            else
                WriteBits(&writer, (uint32_t)consistency[i], 10);
            last = consistency[i];
        }
        WriteBits(&writer, 0, 1);
    }
    EndBitWriting(&writer);
}
