#pragma once
// Builds demos with the engine's own structure for the tests, benchmarks and
// end-to-end runs: the 544-byte header, a LOADING segment (signon frames with
// the user-message registrations and player infos, a next-section frame and
// any stacked ones), a Playback segment with frames of every type (demo
// protocol 5 layout), SayText chat of both forms, and the two-entry directory.
// An unfinished demo has no closing frame, no directory and offset 0, and may
// be cut at any byte. No game content is involved.

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
    int slot;
    int userId;
    std::string name;
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
    size_t entityBytes = 64;      // bit-packed bytes in each Playback net message
    // Registered from id 64 upward in this order (sent newest first). The
    // default list puts SayText at 76, as Counter-Strike servers do.
    std::vector<StructuredUserMessage> userMessages = DefaultUserMessages();
    std::vector<StructuredPlayer> players;
    std::vector<StructuredChat> chat; // chat i goes into Playback group i % playbackGroups
    bool finished = true;         // false: a crashed recording
    size_t cutAt = (size_t)-1;    // unfinished demos: keep only this many bytes

    static std::vector<StructuredUserMessage> DefaultUserMessages();
};

// Where the builder put things, for tests that change or check single bytes.
struct StructuredDemoLayout {
    std::vector<size_t> frames;   // start of every frame written (that starts before a cut)
    std::vector<int> frameTypes;
    size_t playbackOffset = 0;
    size_t directoryOffset = 0;   // 0: none
    std::vector<size_t> chatOffsets;  // the id byte of each chat message, spec order
};

std::vector<unsigned char> BuildStructuredDemo(const StructuredDemoSpec& spec);
std::vector<unsigned char> BuildStructuredDemo(const StructuredDemoSpec& spec, StructuredDemoLayout* layout);
