#include "decode/cut_messages.h"

enum {
    SVC_CLIENTDATA = 15,
    SVC_PACKETENTITIES = 40,
    SVC_DELTAPACKETENTITIES = 41,
    ENTITY_NUMBER_BITS = 11,
    ENTITY_STEP_BITS = 6,
    MAX_ENTITY_STEP = 63,
    WEAPON_INDEX_BITS = 6
};

// The record header as the server's writer sends it: in a full list a set
// bit for "the next number"; in a delta list the removal bit first; then a
// step of 1..63 from the previous number, or the number whole.
static void WriteEntityNumber(BitWriter* writer, bool delta, bool remove, int number, int previous)
{
    int step = number - previous;
    if (!delta) {
        WriteBits(writer, step == 1, 1);
        if (step == 1)
            return;
    } else {
        WriteBits(writer, remove, 1);
    }
    bool whole = step < 1 || step > MAX_ENTITY_STEP;
    WriteBits(writer, whole, 1);
    if (whole)
        WriteBits(writer, (uint32_t)number, ENTITY_NUMBER_BITS);
    else
        WriteBits(writer, (uint32_t)step, ENTITY_STEP_BITS);
}

void AppendPacketEntities(std::vector<unsigned char>* out, bool delta, int fromSequence, int packetCount,
                          const EntityRecordOut* records, size_t count, bool instancedBaselines,
                          const DeltaStrings* strings)
{
    out->push_back(delta ? SVC_DELTAPACKETENTITIES : SVC_PACKETENTITIES);
    out->push_back((unsigned char)(packetCount & 0xFF));
    out->push_back((unsigned char)((packetCount >> 8) & 0xFF));
    if (delta)
        out->push_back((unsigned char)(fromSequence & 0xFF));
    BitWriter writer;
    StartBitWriter(&writer, out);
    int previous = 0;
    for (size_t i = 0; i < count; i++) {
        const EntityRecordOut& record = records[i];
        WriteEntityNumber(&writer, delta, record.remove, record.number, previous);
        previous = record.number;
        if (record.remove)
            continue;
        WriteBits(&writer, record.custom, 1);
        if (instancedBaselines)
            WriteBits(&writer, 0, 1);
        if (!delta)
            WriteBits(&writer, 0, 1);  // no earlier record of this list as its base
        WriteDelta(&writer, *record.description, record.values, record.sent, strings);
    }
    WriteBits(&writer, 0, 16);
    EndBitWriting(&writer);
}

void AppendClientData(std::vector<unsigned char>* out, int fromSequence, const DeltaDescription& clientDescription,
                      const DeltaValues& values, uint64_t sent, const DeltaDescription& weaponDescription,
                      const WeaponRecordOut* weapons, size_t weaponCount, const DeltaStrings* strings)
{
    out->push_back(SVC_CLIENTDATA);
    BitWriter writer;
    StartBitWriter(&writer, out);
    WriteBits(&writer, fromSequence >= 0, 1);
    if (fromSequence >= 0)
        WriteBits(&writer, (uint32_t)(fromSequence & 0xFF), 8);
    WriteDelta(&writer, clientDescription, values, sent, strings);
    for (size_t i = 0; i < weaponCount; i++) {
        WriteBits(&writer, 1, 1);
        WriteBits(&writer, (uint32_t)weapons[i].index, WEAPON_INDEX_BITS);
        WriteDelta(&writer, weaponDescription, weapons[i].values, weapons[i].sent, strings);
    }
    WriteBits(&writer, 0, 1);
    EndBitWriting(&writer);
}
