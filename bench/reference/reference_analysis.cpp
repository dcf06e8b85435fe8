#include "bench/reference/reference_scans.h"

#include <string.h>

enum {
    SIGNATURE_SIZE = 6,
    MAGIC_OFFSET = 0, MAGIC_WIDTH = 8,
    DEMO_PROTOCOL_OFFSET = 8,
    NETWORK_PROTOCOL_OFFSET = 12,
    MAP_OFFSET = 16, MAP_WIDTH = 260,
    GAME_DIR_OFFSET = 276, GAME_DIR_WIDTH = 264
};

static const size_t PLAYER_WINDOW_SIZE = 4096;

struct ResolutionSignature {
    unsigned char bytes[SIGNATURE_SIZE];
    const char* width;
    const char* height;
};

static const ResolutionSignature ResolutionSignatures[] = {
    {{0x00, 0x05, 0x00, 0x00, 0xC0, 0x03}, "1280", "960"},
    {{0x80, 0x04, 0x00, 0x00, 0x60, 0x03}, "1152", "864"},
    {{0x20, 0x03, 0x00, 0x00, 0x58, 0x02}, "800", "600"},
    {{0x80, 0x02, 0x00, 0x00, 0xE0, 0x01}, "640", "480"},
    {{0x00, 0x02, 0x00, 0x00, 0x80, 0x01}, "512", "384"},
    {{0xE0, 0x01, 0x00, 0x00, 0x68, 0x01}, "480", "360"},
    {{0x90, 0x01, 0x00, 0x00, 0x2C, 0x01}, "400", "300"},
};
static const int ROW_COUNT = sizeof ResolutionSignatures / sizeof ResolutionSignatures[0];

static const unsigned char FallbackSignature[SIGNATURE_SIZE] = {0x00, 0x04, 0x00, 0x00, 0x00, 0x03};
static const unsigned char HltvMarker[SIGNATURE_SIZE] = {0x00, 0x08, 'H', 'L', 'T', 'V'};
static const unsigned char PlayerInfoMarker[SIGNATURE_SIZE] = {0x09, 'f', 'u', 'l', 'l', 's'};

struct GameVersion {
    const char* networkVersion;
    const char* gameVersion;
};

static const GameVersion GameVersionTable[] = {
    {"37", "1.0.0.8"}, {"38", "1.0.0.9"}, {"39", "1.0.1.3"}, {"40", "1.0.1.6"},
    {"41", "1.1.0.0"}, {"42", "1.1.0.1"}, {"43", "1.1.0.4"}, {"45", "1.1.0.8"},
};

// A field that lies wholly or partly past the end keeps only the bytes the
// file has: empty text when it has none.
static void DecodeText(const unsigned char* bytes, size_t size, size_t offset, size_t width,
                       char* dest)
{
    size_t length = 0;
    while (offset + length < size && length < width && bytes[offset + length] != 0)
        length++;
    if (length > 0)
        memcpy(dest, bytes + offset, length);
    dest[length] = '\0';
}

static signed char DecodeProtocol(const unsigned char* bytes, size_t size, size_t offset)
{
    return offset < size ? (signed char)bytes[offset] : 0;
}

static bool MatchesAt(const unsigned char* bytes, size_t position, const unsigned char* signature)
{
    for (size_t k = 0; k < SIGNATURE_SIZE; k++) {
        if (bytes[position + k] != signature[k])
            return false;
    }
    return true;
}

// Positions run from 0 to size - 7: the last six bytes never start a match.
static size_t PositionCount(size_t size)
{
    return size < SIGNATURE_SIZE + 1 ? 0 : size - SIGNATURE_SIZE;
}

static bool SameIgnoringCase(const char* a, const char* b)
{
    for (;; a++, b++) {
        char ca = (*a >= 'A' && *a <= 'Z') ? (char)(*a - 'A' + 'a') : *a;
        char cb = (*b >= 'A' && *b <= 'Z') ? (char)(*b - 'A' + 'a') : *b;
        if (ca != cb)
            return false;
        if (ca == '\0')
            return true;
    }
}

static void AddPlayerName(DemoInspection* result, const unsigned char* token, size_t length)
{
    PlayerName name;
    if (length > PLAYER_NAME_SIZE - 1)
        length = PLAYER_NAME_SIZE - 1;
    memcpy(name.text, token, length);
    name.text[length] = '\0';
    for (const PlayerName& known : result->playerNames) {
        if (SameIgnoringCase(known.text, name.text))
            return;
    }
    result->playerNames.push_back(name);
}

static bool IsDelimiter(unsigned char c)
{
    return c == '\\' || c == ',' || c == '\n';
}

// Walks the tokens of one player-info window; the token after "name" is a
// player, and is never itself taken as a key.
static void ReadPlayerWindow(const unsigned char* bytes, size_t size, size_t position,
                             DemoInspection* result)
{
    unsigned char window[PLAYER_WINDOW_SIZE];
    size_t length = size - position < PLAYER_WINDOW_SIZE ? size - position : PLAYER_WINDOW_SIZE;
    for (size_t i = 0; i < length; i++)
        window[i] = bytes[position + i] == 0 ? '\n' : bytes[position + i];

    bool nextIsName = false;
    size_t i = 0;
    while (i < length) {
        while (i < length && IsDelimiter(window[i]))
            i++;
        if (i == length)
            break;
        size_t start = i;
        while (i < length && !IsDelimiter(window[i]))
            i++;
        size_t tokenLength = i - start;
        if (nextIsName) {
            AddPlayerName(result, window + start, tokenLength);
            nextIsName = false;
        } else if (tokenLength == 4 && memcmp(window + start, "name", 4) == 0) {
            nextIsName = true;
        }
    }
}

static const char* LookUpGameVersion(const char* networkVersion)
{
    for (const GameVersion& row : GameVersionTable) {
        if (strcmp(row.networkVersion, networkVersion) == 0)
            return row.gameVersion;
    }
    return "N/A";
}

void ReferenceAnalyseDemo(const unsigned char* bytes, size_t size, const char* currentWidth,
                          const char* currentHeight, const char* programDir,
                          DemoInspection* result)
{
    DemoHeader* header = &result->header;
    DecodeText(bytes, size, MAGIC_OFFSET, MAGIC_WIDTH, header->magic);
    header->demoProtocol = DecodeProtocol(bytes, size, DEMO_PROTOCOL_OFFSET);
    header->networkProtocol = DecodeProtocol(bytes, size, NETWORK_PROTOCOL_OFFSET);
    DecodeText(bytes, size, MAP_OFFSET, MAP_WIDTH, header->mapName);
    DecodeText(bytes, size, GAME_DIR_OFFSET, GAME_DIR_WIDTH, header->gameDir);

    CopyText(result->demoWidth, sizeof result->demoWidth, "*");
    CopyText(result->demoHeight, sizeof result->demoHeight, "*");
    result->isHltv = false;
    result->playerNames.clear();

    size_t positions = PositionCount(size);
    bool found = false;
    for (size_t p = 0; p < positions && !found; p++) {
        for (int row = 0; row < ROW_COUNT; row++) {
            if (MatchesAt(bytes, p, ResolutionSignatures[row].bytes)) {
                CopyText(result->demoWidth, sizeof result->demoWidth, ResolutionSignatures[row].width);
                CopyText(result->demoHeight, sizeof result->demoHeight, ResolutionSignatures[row].height);
                found = true;
                break;
            }
        }
    }
    if (!found) {
        for (size_t p = 0; p < positions; p++) {
            if (MatchesAt(bytes, p, FallbackSignature)) {
                CopyText(result->demoWidth, sizeof result->demoWidth, "1024");
                CopyText(result->demoHeight, sizeof result->demoHeight, "768");
                break;
            }
        }
        for (size_t p = 0; p < positions; p++) {
            if (MatchesAt(bytes, p, HltvMarker)) {
                result->isHltv = true;
                CopyText(result->demoWidth, sizeof result->demoWidth, "1024");
                CopyText(result->demoHeight, sizeof result->demoHeight, "768");
                break;
            }
        }
    }
    if (!result->isHltv) {
        for (size_t p = 0; p < positions; p++) {
            if (MatchesAt(bytes, p, PlayerInfoMarker))
                ReadPlayerWindow(bytes, size, p, result);
        }
    }

    // "-128" at the longest: always fits.
    FormatText(result->demoVersion, sizeof result->demoVersion, "%d", header->demoProtocol);
    FormatText(result->networkVersion, sizeof result->networkVersion, "%d", header->networkProtocol);
    result->gameVersion = LookUpGameVersion(result->networkVersion);

    // The header fields bound the summary well inside its buffer.
    FormatText(result->summary, sizeof result->summary,
               "Half-Life Version: %s\nDemo Type: %s\nDemo Version: %s\nNetwork Version: %s\n"
               "Map: %s\nMod: %s\nCurrent Res: %sx%s\nDemo Res: %sx%s\n%s",
               result->gameVersion, header->magic, result->demoVersion, result->networkVersion,
               header->mapName, header->gameDir, currentWidth, currentHeight, result->demoWidth,
               result->demoHeight, result->isHltv ? "HLTV Recorded Demo" : "");

    result->previewPathFits = FormatText(result->previewPath, sizeof result->previewPath,
                                         "%s\\%s\\maps\\%s.bmp", programDir, header->gameDir,
                                         header->mapName);
    if (!result->previewPathFits)
        result->previewPath[0] = '\0';
}
