#include "demo/analysis.h"

#include <string.h>

#include <string>
#include <unordered_set>

#include "demo/byte_vectors.h"
#include "demo/demo_patterns.h"
#include "demo/header_and_summary.h"

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
        for (int row = 0; row < RESOLUTION_ROW_COUNT; row++) {
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
    size_t positions = ScanPositionCount(size);
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

void AnalyseDemo(const unsigned char* bytes, size_t size, const char* currentWidth,
                 const char* currentHeight, const char* programDir, DemoInspection* result)
{
    DecodeDemoHeader(bytes, size, &result->header);

    // Every resolution text here has at most four digits: these copies always fit.
    (void)CopyText(result->demoWidth, sizeof result->demoWidth, "*");
    (void)CopyText(result->demoHeight, sizeof result->demoHeight, "*");
    result->isHltv = false;
    result->playerNames.clear();

    Scan scan;
    scan.row = -1;
    scan.fallbackFound = false;
    scan.hltvFound = false;
    scan.result = result;
    ScanDemo(bytes, size, &scan);
    if (scan.row >= 0) {
        (void)CopyText(result->demoWidth, sizeof result->demoWidth, ResolutionSignatures[scan.row].width);
        (void)CopyText(result->demoHeight, sizeof result->demoHeight, ResolutionSignatures[scan.row].height);
    } else if (scan.fallbackFound || scan.hltvFound) {
        (void)CopyText(result->demoWidth, sizeof result->demoWidth, "1024");
        (void)CopyText(result->demoHeight, sizeof result->demoHeight, "768");
        // An HLTV proxy's demo lists no players.
        if (scan.hltvFound) {
            result->isHltv = true;
            result->playerNames.clear();
        }
    }

    CompleteInspection(currentWidth, currentHeight, programDir, result);
}
