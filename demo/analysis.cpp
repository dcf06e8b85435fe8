#include "demo/analysis.h"

#include <string.h>

#include <string>
#include <unordered_set>

#include "demo/byte_vectors.h"

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

// Positions run from 0 to size - 7: the last six bytes never start a match.
static size_t PositionCount(size_t size)
{
    return size < SIGNATURE_SIZE + 1 ? 0 : size - SIGNATURE_SIZE;
}

// What the one pass over the file has found so far. The resolution rows and
// the fallback are settled by their lowest match; the fallback and the HLTV
// marker count only while no row has matched.
struct Scan {
    int row;                   // -1 until a row of ResolutionSignatures matches
    bool fallbackFound;
    bool hltvFound;
    DemoInspection* result;
    std::unordered_set<std::string> seenNames;  // lower-cased, for the case-blind test
};

static bool IsDelimiter(unsigned char c)
{
    // NUL reads as a line feed inside a player-info window.
    return c == '\\' || c == ',' || c == '\n' || c == '\0';
}

static void AddPlayerName(Scan* scan, const unsigned char* token, size_t length)
{
    if (length > PLAYER_NAME_SIZE - 1)
        length = PLAYER_NAME_SIZE - 1;
    std::string key((const char*)token, length);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    }
    if (!scan->seenNames.insert(key).second)
        return;
    PlayerName name;
    memcpy(name.text, token, length);
    name.text[length] = '\0';
    scan->result->playerNames.push_back(name);
}

// Walks the tokens of one player-info window in place; the token after
// "name" is a player, and is never itself taken as a key.
static void ReadPlayerWindow(const unsigned char* bytes, size_t size, size_t position, Scan* scan)
{
    const unsigned char* window = bytes + position;
    size_t length = size - position < PLAYER_WINDOW_SIZE ? size - position : PLAYER_WINDOW_SIZE;
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
            AddPlayerName(scan, window + start, tokenLength);
            nextIsName = false;
        } else if (tokenLength == 4 && memcmp(window + start, "name", 4) == 0) {
            nextIsName = true;
        }
    }
}

// The exact test of one position against every pattern still wanted.
static void ExaminePosition(const unsigned char* bytes, size_t size, size_t p, Scan* scan)
{
    const unsigned char* at = bytes + p;
    if (scan->row < 0) {
        for (int row = 0; row < ROW_COUNT; row++) {
            if (memcmp(at, ResolutionSignatures[row].bytes, SIGNATURE_SIZE) == 0) {
                scan->row = row;
                break;
            }
        }
        if (memcmp(at, FallbackSignature, SIGNATURE_SIZE) == 0)
            scan->fallbackFound = true;
        if (memcmp(at, HltvMarker, SIGNATURE_SIZE) == 0)
            scan->hltvFound = true;
    }
    if (memcmp(at, PlayerInfoMarker, SIGNATURE_SIZE) == 0)
        ReadPlayerWindow(bytes, size, p, scan);
}

// Lanes k = 0..15 stand for positions p + k. A set lane may match one of the
// patterns; a clear lane matches none. Every resolution signature, the
// fallback included, is "x 01..05 00 00 y 01..03".
static unsigned int CandidateBits(const unsigned char* at)
{
    ByteVector b0 = LoadBytes(at), b1 = LoadBytes(at + 1), b2 = LoadBytes(at + 2);
    ByteVector b3 = LoadBytes(at + 3), b5 = LoadBytes(at + 5);
    ByteVector resolution = ZeroLanes(EitherLanes(EitherLanes(b2, b3),
                                                  EitherLanes(ExcessLanes(b1, 1, 4), ExcessLanes(b5, 1, 2))));
    ByteVector hltv = BothLanes(EqualLanes(b1, 0x08), EqualLanes(b2, 'H'));
    ByteVector playerInfo = BothLanes(EqualLanes(b0, 0x09), EqualLanes(b1, 'f'));
    return LaneBits(EitherLanes(resolution, EitherLanes(hltv, playerInfo)));
}

static unsigned int PlayerInfoBits(const unsigned char* at)
{
    return LaneBits(BothLanes(EqualLanes(LoadBytes(at), 0x09), EqualLanes(LoadBytes(at + 1), 'f')));
}

// One pass does the work of the resolution passes, the HLTV search and the
// player-info search: their results depend only on where each pattern first
// (or, for player info, ever) occurs, so a single ascending walk gives them.
static void ScanDemo(const unsigned char* bytes, size_t size, Scan* scan)
{
    size_t positions = PositionCount(size);
    size_t p = 0;
    // Two vectors read up to byte p + 36, inside the file while p + 32 <= size - 6.
    for (; scan->row < 0 && p + 2 * VECTOR_SIZE <= positions; p += 2 * VECTOR_SIZE) {
        unsigned int bits = CandidateBits(bytes + p) | CandidateBits(bytes + p + VECTOR_SIZE) << 16;
        while (bits) {
            ExaminePosition(bytes, size, p + LowestBit(bits), scan);
            bits &= bits - 1;
        }
    }
    // Once a row has matched, only player info is still wanted.
    for (; p + 2 * VECTOR_SIZE <= positions; p += 2 * VECTOR_SIZE) {
        unsigned int bits = PlayerInfoBits(bytes + p) | PlayerInfoBits(bytes + p + VECTOR_SIZE) << 16;
        while (bits) {
            ExaminePosition(bytes, size, p + LowestBit(bits), scan);
            bits &= bits - 1;
        }
    }
    for (; p < positions; p++)
        ExaminePosition(bytes, size, p, scan);
}

static const char* LookUpGameVersion(const char* networkVersion)
{
    for (const GameVersion& row : GameVersionTable) {
        if (strcmp(row.networkVersion, networkVersion) == 0)
            return row.gameVersion;
    }
    return "N/A";
}

void AnalyseDemo(const unsigned char* bytes, size_t size, const char* currentWidth,
                 const char* currentHeight, const char* programDir, DemoInspection* result)
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

    Scan scan;
    scan.row = -1;
    scan.fallbackFound = false;
    scan.hltvFound = false;
    scan.result = result;
    ScanDemo(bytes, size, &scan);
    if (scan.row >= 0) {
        CopyText(result->demoWidth, sizeof result->demoWidth, ResolutionSignatures[scan.row].width);
        CopyText(result->demoHeight, sizeof result->demoHeight, ResolutionSignatures[scan.row].height);
    } else if (scan.fallbackFound || scan.hltvFound) {
        CopyText(result->demoWidth, sizeof result->demoWidth, "1024");
        CopyText(result->demoHeight, sizeof result->demoHeight, "768");
        // An HLTV proxy's demo lists no players.
        if (scan.hltvFound) {
            result->isHltv = true;
            result->playerNames.clear();
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
