#pragma once
// Writers of the messages a net-message frame carries: the encoding side of
// decode/. Each appends one whole message, its id included, to out: user
// messages and their registrations, the delta descriptions, the spawn
// baselines, entity lists, clientdata, events, sounds, pings and the resource
// list. Values are the raw integers of decode/delta.h, so what is written
// reads back bit for bit; the records of delta entity lists and clientdata go
// through the cut's record writer (decode/cut_messages.h), these functions
// choosing what to send from two states. No custom entities and no instanced
// baselines are written (none occur in protocol-48 Counter-Strike demos).
// Pure: no windows.h.

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "decode/delta.h"

typedef std::vector<unsigned char> MessageBytes;

enum {
    WEAPON_SLOTS = 64,                 // weapon index: 6 bits
    MAX_USER_MESSAGE_PAYLOAD = 192
};

// Whole-byte values, little-endian; strings with their NUL.
void PutByte(MessageBytes* out, unsigned value);
void PutShort(MessageBytes* out, int value);
void PutLong(MessageBytes* out, uint32_t value);
void PutFloat(MessageBytes* out, float value);
void PutString(MessageBytes* out, const char* text);

// svc_newusermsg: id 64..255, size -1 for variable, a name of up to 15
// characters NUL-padded to 16 bytes.
void WriteUserMessageRegistration(MessageBytes* out, int id, int size, const char* name);
// A user message as registered: the id, a length byte when size is -1, the
// payload. A payload longer than the registered size or than 192 bytes is
// cut there; a shorter one for a fixed size is padded with zeros.
void WriteUserMessage(MessageBytes* out, int id, int size, const MessageBytes& payload);

// svc_deltadescription: the name as whole bytes, then its fields in bits.
void WriteDeltaDescription(MessageBytes* out, const DeltaDescription& description);

// The descriptions a stream's delta-compressed messages use, and the pool
// holding the texts of its string fields.
struct DeltaSet {
    const DeltaDescription* clientData;    // clientdata_t
    const DeltaDescription* weaponData;    // weapon_data_t
    const DeltaDescription* entity;        // entity_state_t
    const DeltaDescription* player;        // entity_state_player_t: numbers 1..maxClients
    const DeltaDescription* event;         // event_t
    const DeltaStrings* strings;
    int maxClients;
};

struct PacketEntity {
    int number;                            // 0..2047
    DeltaValues values;                    // in the description its number takes
};

// Entities by increasing number: a frame's packet, or the spawn baselines
// (an entity without one has the all-zero baseline).
typedef std::vector<PacketEntity> EntityList;

// svc_spawnbaseline: each entity (type 1, normal) against zero, the end
// marker, and a count of 0 instanced baselines.
void WriteSpawnBaseline(MessageBytes* out, const DeltaSet& set, const EntityList& baselines);

// svc_packetentities: every entity of packet, each against its baseline or,
// when that takes fewer bits, against one of the 63 entities before it in the
// packet with the same description, as the engine chooses.
void WritePacketEntities(MessageBytes* out, const DeltaSet& set, const EntityList& baselines,
                         const EntityList& packet);

// svc_deltapacketentities: packet against old, the packet of the frame whose
// incoming sequence has deltaFrom as its low byte. Entities only in old are
// removed, entities only in packet are sent against their baseline, entities
// in both are sent when some field changed; the rest carry over unsent.
void WriteDeltaPacketEntities(MessageBytes* out, const DeltaSet& set, const EntityList& baselines,
                              const EntityList& old, int deltaFrom, const EntityList& packet);

// What svc_clientdata carries: the client's own state and its weapons.
struct ClientState {
    DeltaValues client;                    // clientdata_t
    DeltaValues weapons[WEAPON_SLOTS];     // weapon_data_t by weapon index
};

// svc_clientdata: now against old, the state of the frame whose incoming
// sequence has deltaFrom as its low byte (old NULL: against zero, no
// delta-from), then an entry for each weapon slot that changed.
void WriteClientData(MessageBytes* out, const DeltaSet& set, const ClientState* old, int deltaFrom,
                     const ClientState& now);

struct EventEntry {
    int index;                             // event precache index, 10 bits
    int packetIndex;                       // the entity's position in this frame's packet; -1: none
    bool hasArguments;                     // only sent with a packet index
    DeltaValues arguments;                 // event_t, against zero
    int fireTime;                          // delay x 100, 16 bits; 0: none
};

// svc_event: up to 31 events.
void WriteEvents(MessageBytes* out, const DeltaSet& set, const EventEntry* events, size_t count);

struct SoundEntry {
    int volume;                            // 0..255; 255 is the default, not sent
    int attenuation;                       // x 64; 64 is the default, not sent
    int channel;                           // 3 bits
    int entity;                            // 11 bits
    int sound;                             // precache index; over 255 takes 16 bits
    float origin[3];
    int pitch;                             // 100 is the default, not sent
};

void WriteSound(MessageBytes* out, const SoundEntry& sound);

struct PingEntry {
    int slot, ping, loss;                  // 5, 12 and 7 bits
};

void WritePings(MessageBytes* out, const PingEntry* pings, size_t count);

struct ResourceEntry {
    int type;                              // 0 sound, 1 skin, 2 model, 3 decal, 4 generic, 5 event, 6 world
    const char* name;
    int index;                             // precache index, 12 bits
    int downloadSize;                      // 24 bits
    int flags;                             // 3 bits; the server sends flags & 3
    bool reserved;                         // 32 reserved bytes (zeros) follow
};

// svc_resourcelist, then the consistency list of the given resource
// positions (increasing), none when count is 0.
void WriteResourceList(MessageBytes* out, const ResourceEntry* resources, size_t count,
                       const int* consistency, size_t consistencyCount);
