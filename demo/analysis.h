#pragma once
// What a demo file holds, read from its bytes alone: header fields, recorded
// resolution, HLTV mark, player names, the summary and the preview path.

#include <stddef.h>

#include <vector>

#include "shared/text.h"

enum {
    MAGIC_TEXT_SIZE = 9,        // 8 bytes and a NUL
    MAP_TEXT_SIZE = 261,        // 260 bytes and a NUL
    GAME_DIR_TEXT_SIZE = 265,   // 264 bytes and a NUL
    PLAYER_NAME_SIZE = 128,     // names are cut to 127 characters
    SUMMARY_TEXT_SIZE = 1024
};

struct DemoHeader {
    char magic[MAGIC_TEXT_SIZE];
    signed char demoProtocol;
    signed char networkProtocol;
    char mapName[MAP_TEXT_SIZE];
    char gameDir[GAME_DIR_TEXT_SIZE];
};

struct PlayerName {
    char text[PLAYER_NAME_SIZE];
};

struct DemoInspection {
    DemoHeader header;
    char demoVersion[5];
    char networkVersion[5];
    const char* gameVersion;
    char demoWidth[8];           // "*" when not detected
    char demoHeight[8];
    bool isHltv;
    std::vector<PlayerName> playerNames;  // first occurrence order, no case-blind repeats
    char summary[SUMMARY_TEXT_SIZE];
    char previewPath[PATH_BUFFER_SIZE];
    bool previewPathFits;        // false: the path was too long to be used
};

// Never fails; the file's bytes are trusted for nothing.
void AnalyseDemo(const unsigned char* bytes, size_t size, const char* currentWidth,
                 const char* currentHeight, const char* programDir, DemoInspection* result);
