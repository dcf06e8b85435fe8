#pragma once
// Decoding a demo's net messages one frame at a time, with the state after
// each frame open to the caller: the delta descriptions, baselines, the
// packet history with raw values, clientdata and weapons by sequence, the
// latest player infos and the game's own messages. DecodeDemo is a loop over
// this; a cutter reads the same state to write a demo that starts anywhere.
// Pure: no windows.h. Memory is bounded whatever the input.

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "decode/delta.h"
#include "decode/demo_timeline.h"
#include "demo/demo_structure.h"

enum {
    DECODE_HISTORY = 64,           // packets the server keeps, by sequence
    DECODE_MAX_ENTITIES = 2048,    // 11-bit entity numbers
    DECODE_MAX_WEAPONS = 64,       // 6-bit weapon index
    DECODE_MAX_SLOTS = 32,         // player slots kept (the engine's limit)
    DECODE_MAX_DESCRIPTIONS = 16,
    DECODE_MAX_INSTANCED = 64,     // 6-bit instanced-baseline count
    DECODE_LIGHT_STYLES = 256,
    DECODE_TEAM_SCORES = 8,
    DECODE_REASON_SIZE = STRUCTURE_PROBLEM_SIZE,
    DECODE_PAYLOAD_SIZE = 256,     // a user message payload: a length byte's worth
    DECODE_POOL_BLOCK = 1024       // entity states per block of the pool
};

// The descriptions the decoder uses, by their names in the demo.
enum DescriptionRole {
    ROLE_EVENT,                    // event_t
    ROLE_WEAPON,                   // weapon_data_t
    ROLE_CLIENTDATA,               // clientdata_t
    ROLE_ENTITY,                   // entity_state_t
    ROLE_PLAYER,                   // entity_state_player_t
    ROLE_CUSTOM,                   // custom_entity_state_t
    ROLE_COUNT
};

enum EntityKind : uint8_t { ENTITY_NORMAL, ENTITY_PLAYER, ENTITY_CUSTOM };

// One entity as raw values of its kind's description.
struct EntityState {
    uint16_t number;
    uint8_t kind;                  // EntityKind
    float timeBase;                // server time its time-window values count back from
    DeltaValues values;
};

// One entity of a packet: its number, and its state in the state's pool
// (states are shared between the packets that hold them; see PacketEntity).
// NO_STATE: walked but not kept (keepAllEntities).
struct PacketEntry {
    uint32_t state;
    uint16_t number;
};

static const uint32_t NO_STATE = 0xFFFFFFFFu;

// The entity list of one received packet.
struct PacketEntities {
    bool valid;
    uint8_t sequence;              // low byte of the frame's incoming sequence
    int32_t incomingSequence;
    float serverTime;              // svc_time of the packet
    std::vector<PacketEntry> entries;  // by increasing entity number
};

// clientdata and weapon data of one received packet.
struct ClientState {
    bool valid;
    uint8_t sequence;
    DeltaValues clientdata;
    uint64_t weaponsHeld;          // weapon slots ever sent along this delta chain
    DeltaValues weapons[DECODE_MAX_WEAPONS];
};

// The latest payload of one user message (id, length and bytes after the
// id and length byte).
struct LatestMessage {
    bool seen;
    uint8_t id;
    uint16_t length;
    unsigned char payload[DECODE_PAYLOAD_SIZE];
};

struct DecodedPlayer {
    bool seen;                     // ever held an info string
    bool present;                  // holds a non-empty info string
    int32_t userId;
    std::vector<unsigned char> userInfo;  // the latest svc_updateuserinfo, id byte to hash
    char name[TIMELINE_NAME_SIZE];
    char steamId[TIMELINE_STEAM_ID_SIZE];
    bool bot, hltv;
    TimelineTeam team;             // from TeamInfo
    int frags, deaths;             // from ScoreInfo
    LatestMessage teamInfo, scoreInfo, scoreAttrib;
};

struct TeamScore {
    char team[32];                 // as TeamScore names it
    LatestMessage message;
};

// What happened in one frame.
struct FrameReport {
    bool decoded;                  // every message read, the last ending at the last byte
    int failedMessage;             // the message id that failed (-1: none)
    uint32_t failedAt;             // its offset within the message bytes
    char reason[DECODE_REASON_SIZE];
    int entitiesFrom;              // -1 no entity message, -2 a full packet, else the delta-from sequence byte
    int clientdataFrom;            // -1 no clientdata, -2 without delta-from, else the delta-from sequence byte
    // Where the entity list and the clientdata sit in the message bytes (id
    // byte to end; equal: none), for a writer that replaces them.
    uint32_t entitiesAt, entitiesEnd, clientdataAt, clientdataEnd;
    bool serverInfo;               // the frame starts a new signon
    bool signonNum;                // the frame holds svc_signonnum: its signon is complete
};

// One net-message frame as the decoder takes it.
struct NetFrame {
    uint64_t offset;               // file offset of the frame
    int type;                      // 0 LOADING, 1 Playback
    float time;
    int32_t incomingSequence;      // frame offset 445
    const unsigned char* messages;
    uint32_t messageLength;
    uint64_t messagesOffset;       // file offset of the first message byte
    int index;                     // net-message frames before this one, file order
};

// The timeline's bookkeeping between messages.
struct TimelineTracking {
    int round;                     // round ends since the demo's start
    int openRound;                 // event index of a round end still taking TeamScore, -1: none
    float openedAt;
    bool scoreSeenT, scoreSeenCT;
    int scoreFrameT, scoreFrameCT; // frame index of each team's latest TeamScore
    int scoreT, scoreCT;           // the latest TeamScore of each
    std::vector<int> positionsDue; // kill events whose positions the frame's end fills
    int roundPositionsDue;         // round whose players' positions the frame's end records, 0: none
    bool pathStarted;
    float pathTime, pathAt[3];
    bool clientdataThisFrame;
};

struct DecodeState {
    bool decodable;                // a network protocol the decoder reads
    // true (StartDecode's choice): every value of every entity, clientdata
    // and weapon is kept. false (DecodeDemo's choice: the timeline needs no
    // more): full lists are kept whole; in delta lists only players' origins,
    // of clientdata only the origin, no weapons; the rest is walked.
    bool keepAllEntities;
    char undecodedReason[DECODE_REASON_SIZE];  // every frame's, when not decodable
    const DemoStructure* structure;
    DemoTimeline* timeline;        // NULL: state only

    // The current signon: svc_serverinfo and what it starts.
    bool serverInfoSeen;
    int maxClients;
    int recorderSlot;              // -1: unknown
    bool hltvSpectator;            // svc_hltv mode 0: svc_clientdata is empty
    float serverTime;              // the latest svc_time
    DeltaDescription descriptions[DECODE_MAX_DESCRIPTIONS];
    int descriptionCount;
    int roles[ROLE_COUNT];         // index into descriptions, -1: not sent
    int origins[ROLE_COUNT][3];    // field index of origin[0..2] in each, -1: none
    uint64_t timeFields[DECODE_MAX_DESCRIPTIONS];  // each description's time-window fields
    DeltaWidths widths[DECODE_MAX_DESCRIPTIONS];   // each description's bits by mask byte
    uint64_t wanted[ROLE_COUNT];   // without keepAllEntities: the fields kept (the origins)
    DeltaStrings strings;          // string field values of this signon
    std::vector<EntityState> baselines;     // by entity number; kind 0xFF: none
    std::vector<uint16_t> baselineNumbers;  // the numbers that hold one
    int instancedCount;
    EntityState instanced[DECODE_MAX_INSTANCED];
    short userMessageSizes[256];   // -1 variable, -2 not registered
    uint8_t userMessageKinds[256]; // what the game state does with it
    char userMessageNames[256][USER_MESSAGE_NAME_SIZE];

    // Packet history, by sequence & 63. Entity states live in blocks that
    // never move, so a growing pool copies nothing (see PacketEntity).
    std::vector<std::unique_ptr<EntityState[]>> entityBlocks;
    size_t entityCount;                      // states made so far
    std::vector<uint32_t> freeStates;
    std::vector<uint8_t> entityMarks;        // the sweep's marks
    size_t collectAt;                        // pool size that starts the next sweep
    PacketEntities packets[DECODE_HISTORY];
    int latestPacket;              // index into packets, -1: none
    std::vector<ClientState> clients;        // DECODE_HISTORY of them
    int latestClient;

    // Latest of the rest.
    std::string lightStyles[DECODE_LIGHT_STYLES];
    DecodedPlayer players[DECODE_MAX_SLOTS];
    TeamScore teamScores[DECODE_TEAM_SCORES];
    int teamScoreCount;
    LatestMessage money, health, curWeapon, roundTime;
    float roundTimeAt;             // svc_time of the packet that brought the latest RoundTime

    // Scratch reused between frames.
    std::vector<PacketEntry> scratchEntries;
    DeltaDescription scratchDescription;
    TimelineTracking tracking;
};

// Starts decoding a demo whose structure was read. timeline (may be NULL) is
// cleared and filled as frames decode. The state is large: allocate it once
// (NewDecodeState) and restart it per demo.
DecodeState* NewDecodeState();
void FreeDecodeState(DecodeState* state);
void StartDecode(DecodeState* state, const DemoStructure& structure, DemoTimeline* timeline);
// Gives back memory an unusually large demo made the state hold; what the
// state holds is then gone until the next StartDecode.
void TrimDecodeState(DecodeState* state);

// Reads the net-message frame at offset of a demo protocol 5 file: false when
// it is not a whole net-message frame.
bool ReadNetFrame(const unsigned char* bytes, size_t size, uint64_t offset, NetFrame* frame);

// Decodes one net-message frame, in file order; report says how it went.
void DecodeFrame(DecodeState* state, const NetFrame& frame, FrameReport* report);

// Ends the demo: the timeline's final player list and coverage.
void FinishDecode(DecodeState* state);

// Lookups into the state.
const PacketEntities* FindPacket(const DecodeState& state, uint8_t sequence);
const ClientState* FindClientState(const DecodeState& state, uint8_t sequence);
const EntityState& PacketEntity(const DecodeState& state, const PacketEntities& packet, size_t i);
const DeltaDescription* RoleDescription(const DecodeState& state, DescriptionRole role);
const DeltaDescription* EntityDescription(const DecodeState& state, int kind);
