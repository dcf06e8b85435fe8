#include "tests/reference/reference_scans.h"

#include <string.h>

#include "demo/demo_patterns.h"
#include "demo/header_and_summary.h"

static bool MatchesAt(const unsigned char* bytes, size_t position, const unsigned char* signature)
{
    for (size_t k = 0; k < SIGNATURE_SIZE; k++) {
        if (bytes[position + k] != signature[k])
            return false;
    }
    return true;
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

// Resolution texts have at most four digits, so they always fit.
static void SetResolution(DemoInspection* result, const char* width, const char* height)
{
    (void)CopyText(result->demoWidth, sizeof result->demoWidth, width);
    (void)CopyText(result->demoHeight, sizeof result->demoHeight, height);
}

void ReferenceAnalyseDemo(const unsigned char* bytes, size_t size, const char* currentWidth,
                          const char* currentHeight, const char* programDir,
                          DemoInspection* result)
{
    DecodeDemoHeader(bytes, size, &result->header);

    SetResolution(result, "*", "*");
    result->isHltv = false;
    result->playerNames.clear();

    size_t positions = ScanPositionCount(size);
    bool found = false;
    for (size_t p = 0; p < positions && !found; p++) {
        for (int row = 0; row < RESOLUTION_ROW_COUNT; row++) {
            if (MatchesAt(bytes, p, ResolutionSignatures[row].bytes)) {
                SetResolution(result, ResolutionSignatures[row].width, ResolutionSignatures[row].height);
                found = true;
                break;
            }
        }
    }
    if (!found) {
        for (size_t p = 0; p < positions; p++) {
            if (MatchesAt(bytes, p, FallbackSignature)) {
                SetResolution(result, "1024", "768");
                break;
            }
        }
        for (size_t p = 0; p < positions; p++) {
            if (MatchesAt(bytes, p, HltvMarker)) {
                result->isHltv = true;
                SetResolution(result, "1024", "768");
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

    CompleteInspection(currentWidth, currentHeight, programDir, result);
}
