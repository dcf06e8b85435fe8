#pragma once
// What a whole demo's messages say, decoded from their bits: who played, who
// killed whom, how the rounds ended, what was said, where the recorder went.
// Pure: no windows.h. Built by DecodeDemo (decode/decode_demo.h) over a demo
// held whole in memory, after ReadDemoStructure.

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "demo/demo_structure.h"

enum {
    TIMELINE_NAME_SIZE = PLAYER_INFO_NAME_SIZE,
    TIMELINE_TEXT_SIZE = CHAT_TEXT_SIZE,
    TIMELINE_STEAM_ID_SIZE = 32,
    TIMELINE_SERVER_NAME_SIZE = 128,
    TIMELINE_WEAPON_SIZE = 32,
    TIMELINE_REASON_SIZE = 48,
    // Bounds that keep a timeline's memory small whatever the file says; real
    // recordings stay far below them.
    TIMELINE_MAX_EVENTS = 16384,
    TIMELINE_MAX_SAMPLES = 65536   // recorder path samples, and round-end positions
};

// Teams as TeamInfo names them; TEAM_NONE is "never said" (null in JSON).
enum TimelineTeam { TEAM_NONE, TEAM_UNASSIGNED, TEAM_T, TEAM_CT, TEAM_SPECTATOR };

// How much of the demo's net-message frames decoded to their last byte.
struct DecodeFailure {
    uint64_t offset;               // file offset of the frame
    int messageId;                 // the message that could not be read (-1: none)
    char reason[STRUCTURE_PROBLEM_SIZE];
};

struct DecodeCoverage {
    uint32_t frames, framesDecoded;
    uint64_t messageBytes, messageBytesDecoded;
    bool failed;                   // firstFailure holds the first frame that did not decode
    DecodeFailure firstFailure;
};

// Everyone seen, one entry per slot, with the latest state.
struct TimelinePlayer {
    int slot;                      // 0-based; entity = slot + 1
    int entity;
    int32_t userId;
    char name[TIMELINE_NAME_SIZE]; // the latest name
    char steamId[TIMELINE_STEAM_ID_SIZE];  // "STEAM_0:Y:Z", "" when none
    bool bot, hltv;
    bool present;                  // still in the game at the demo's end
    TimelineTeam team;
    int frags, deaths;
};

enum TimelineEventType {
    EVENT_KILL, EVENT_ROUND_END, EVENT_CHAT, EVENT_NAME_CHANGE, EVENT_JOIN, EVENT_LEAVE, EVENT_TEAM
};

enum RoundWinner { WINNER_T, WINNER_CT, WINNER_DRAW };

struct WorldPosition {
    bool known;
    float x, y, z;
};

// One event, in file order. Fields not used by an event's type are zero.
struct TimelineEvent {
    TimelineEventType type;
    float time;                    // the demo time of the frame that carried the message
    uint64_t offset;               // file offset of the message's id byte
    uint32_t length;               // the whole message: id, length byte, payload
    int frameIndex;                // index of the carrying net-message frame, file order

    // kill: killer/victim entities (0 = the world), names at that moment
    int killer, victim;
    char killerName[TIMELINE_NAME_SIZE], victimName[TIMELINE_NAME_SIZE];
    char weapon[TIMELINE_WEAPON_SIZE];
    bool headshot;
    WorldPosition killerAt, victimAt;

    // round-end: the round's number (1 upward, in the order rounds end in the demo,
    // restarts included), winner, the key, the team scores after it
    int round;
    RoundWinner winner;
    char reason[TIMELINE_REASON_SIZE];   // "#Bomb_Defused" ...
    int scoreT, scoreCT;

    // chat: kind, sender entity, name at that moment, text. foundByPattern:
    // found by the structure's pattern search where nothing decoded: every
    // chat line of a demo that cannot be decoded, and in a demo that can, the
    // lines of a frame from the message that failed to the frame's end.
    // name-change: entity, name (from), text (to). join/leave: slot, name.
    // team: entity, name, team.
    ChatKind kind;
    int entity;
    int slot;
    char name[TIMELINE_NAME_SIZE];
    char text[TIMELINE_TEXT_SIZE];
    bool foundByPattern;
    bool steamForm;                // chat: the "#Cstrike_..." key form
    TimelineTeam team;
};

// One sample of a player's position, for the plot.
struct PositionSample {
    float time;
    int entity;
    float x, y, z;
};

// Players' positions when a round ended.
struct RoundEndPosition {
    int round;
    int entity;
    TimelineTeam team;
    float x, y, z;
};

struct DemoTimeline {
    bool decodable;                // network protocol 48 with descriptions; false: WON-era
    DecodeCoverage decoded;
    char serverName[TIMELINE_SERVER_NAME_SIZE];
    int maxPlayers;                // 0: no svc_serverinfo seen
    int recorderSlot;              // -1: unknown
    std::vector<TimelinePlayer> players;       // by slot, everyone seen
    std::vector<TimelineEvent> events;         // file order
    std::vector<PositionSample> recorderPath;  // thinned: a sample when the recorder moved
    std::vector<RoundEndPosition> roundEnds;
    uint32_t eventsDropped;        // events past TIMELINE_MAX_EVENTS, not kept
};

const char* TeamName(TimelineTeam team);      // "T", "CT", "SPECTATOR", "UNASSIGNED", "" for none
const char* WinnerName(RoundWinner winner);   // "T", "CT", "draw"
const char* EventTypeName(TimelineEventType type);  // "kill", "round-end", "chat", "name-change",
                                                    // "join", "leave", "team"
