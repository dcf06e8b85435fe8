#pragma once
// The bit-packed messages a cut writes anew: entity lists and clientdata
// rebuilt from raw field values, so every value goes back bit for bit as it
// was read. Whole-byte messages are copied from the demo. Pure: no windows.h.

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "decode/delta.h"

// One record of an entity list.
struct EntityRecordOut {
    int number;
    bool remove;                   // delta lists only: the entity leaves
    bool custom;
    const DeltaDescription* description;
    DeltaValues values;
    uint64_t sent;                 // the fields the record sends
};

// svc_packetentities (full: every record a delta against its baseline, none
// based on another record) or svc_deltapacketentities against fromSequence.
// packetCount is the number of entities in the resulting packet; records are
// in entity order. instancedBaselines: the signon announced some, so each
// record says it is not based on one.
void AppendPacketEntities(std::vector<unsigned char>* out, bool delta, int fromSequence, int packetCount,
                          const EntityRecordOut* records, size_t count, bool instancedBaselines,
                          const DeltaStrings* strings);

struct WeaponRecordOut {
    int index;                     // 0..63
    DeltaValues values;
    uint64_t sent;
};

// svc_clientdata: against fromSequence's clientdata (-1: against zero), then
// the weapon records.
void AppendClientData(std::vector<unsigned char>* out, int fromSequence, const DeltaDescription& clientDescription,
                      const DeltaValues& values, uint64_t sent, const DeltaDescription& weaponDescription,
                      const WeaponRecordOut* weapons, size_t weaponCount, const DeltaStrings* strings);
