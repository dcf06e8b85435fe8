#pragma once
// Builds demos with the engine's own structure for the tests, benchmarks and
// end-to-end runs: the 544-byte header, a LOADING segment (the signon: server
// info, delta descriptions, user-message registrations, player infos, spawn
// baselines, a next-section frame and any stacked ones), a Playback segment
// with frames of every type (demo protocol 5 layout) and the two-entry
// directory. Every net message is what a protocol-48 Counter-Strike client
// demo holds, bit-packed messages included, so a full decoder reads each to
// its last byte: entity lists, clientdata, kills, rounds, scores, teams, name
// changes and SayText chat of both forms, as StructuredDemoSpec asks. An
// unfinished demo has no closing frame, no directory and offset 0, and may be
// cut at any byte. No game content is involved.

#include <stddef.h>

#include <string>
#include <vector>

struct StructuredUserMessage {
    std::string name;
    int size;                     // -1: variable
};

struct StructuredChat {
    std::string key;              // "#Cstrike_Chat_T" and so on; "" for the older form
    std::string text;             // Steam form: the said text; older form: the whole
                                  // line after the 0x02 marker, e.g. "(TEAM) bob: hi"
    int sender = 1;               // entity index: player slot + 1
    bool late = false;            // placed after the bit-packed entity data, where
                                  // only a pattern search finds it
};

struct StructuredPlayer {
    int slot;                     // 0-based; the player's entity is slot + 1
    int userId;
    std::string name;
    std::string steamId = "";     // *sid, a SteamID64 in decimal; "" for none
    bool bot = false;             // *bot
    bool hltv = false;            // *hltv
    std::string team = "";        // TeamInfo in the first Playback frame (or when joining):
                                  // "TERRORIST", "CT", "SPECTATOR", "UNASSIGNED"; "" none
    int joinGroup = -1;           // -1: in the signon; else the Playback group it joins in
    int leaveGroup = -1;          // the group whose empty info string says it left; -1: stays
    float x = 0, y = 0, z = 0;    // position in Playback group 0 (1/32 unit steps are exact)
    float stepX = 0, stepY = 0;   // moved by this much in each later group
};

// Events of the game, each carried by one Playback group's net message.
struct StructuredKill {
    int group;
    int killer, victim;           // entity indices; killer 0: the world
    bool headshot;
    std::string weapon;           // "ak47", "grenade", "worldspawn" ...
};

enum StructuredRoundWinner { ROUND_NOT_AN_END, ROUND_T, ROUND_CT, ROUND_DRAW };

struct StructuredRound {
    int group;
    std::string key;              // TextMsg key: "#Terrorists_Win", "#Game_Commencing" ...
    StructuredRoundWinner winner; // whose score goes up; TeamScore is sent unless not an end
};

struct StructuredNameChange {
    int group;
    int slot;
    std::string name;             // the new name: a new info string and a broadcast SayText
};

// An entity that is no player (numbers above maxPlayers).
struct StructuredEntity {
    int number;
    int model;
    float x, y, z;                // position in its first group (1/8 unit steps are exact)
    float stepX;                  // moved by this much in each later group
    int firstGroup;               // in the packets from this group on
    int lastGroup;                // up to this group, -1: to the end
    bool baseline;                // has a spawn baseline (else it starts from zero)
};

struct StructuredDemoSpec {
    std::string magic = "HLDEMO";
    int demoProtocol = 5;
    int networkProtocol = 48;
    std::string mapName = "de_dust2";
    std::string gameDir = "cstrike";
    int viewportWidth = 1920;     // Playback net-message frames
    int viewportHeight = 1080;
    int loadingViewportWidth = 0; // LOADING net-message frames
    int loadingViewportHeight = 0;
    int loadingFrames = 3;        // signon frames (at least 1)
    int stackedNextSections = 0;  // next-section frames after LOADING's closing one
    int playbackGroups = 8;       // groups of frames of types 1, 4, 9, 3, 8, 6, 7
    // Not decodable: > 0 puts this many bytes of filler after svc_clientdata
    // in place of the bit-packed data of the groups in fillerGroups (all
    // groups when it is empty).
    size_t entityBytes = 0;
    std::vector<int> fillerGroups;
    int maxPlayers = 32;
    int recorderSlot = 0;         // whose demo it is; its position is the clientdata's
    std::string hostName = "Flickbox test server";
    // Registered from id 64 upward in this order (sent newest first). The
    // default list puts SayText at 76, as Counter-Strike servers do.
    std::vector<StructuredUserMessage> userMessages = DefaultUserMessages();
    std::vector<StructuredPlayer> players;
    std::vector<StructuredChat> chat; // chat i goes into Playback group i % playbackGroups
    std::vector<StructuredKill> kills;
    std::vector<StructuredRound> rounds;
    std::vector<StructuredNameChange> nameChanges;
    std::vector<StructuredEntity> entities = DefaultEntities();
    bool finished = true;         // false: a crashed recording
    size_t cutAt = (size_t)-1;    // unfinished demos: keep only this many bytes

    static std::vector<StructuredUserMessage> DefaultUserMessages();
    // A few entities that take every path of the entity lists: consecutive and
    // near numbers, a far one, one without a baseline, one that comes and one
    // that goes.
    static std::vector<StructuredEntity> DefaultEntities();
};

// Where the builder put things, for tests that change or check single bytes.
struct StructuredDemoLayout {
    std::vector<size_t> frames;   // start of every frame written (that starts before a cut)
    std::vector<int> frameTypes;
    size_t playbackOffset = 0;
    size_t directoryOffset = 0;   // 0: none
    std::vector<size_t> chatOffsets;  // the id byte of each chat message, spec order
    std::vector<size_t> groupFrames;  // the net-message frame of each Playback group
    std::vector<size_t> messageStarts;  // the id byte of every message of the net-message
                                        // frames, in file order
};

std::vector<unsigned char> BuildStructuredDemo(const StructuredDemoSpec& spec);
std::vector<unsigned char> BuildStructuredDemo(const StructuredDemoSpec& spec, StructuredDemoLayout* layout);
