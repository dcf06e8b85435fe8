#include "demo/header_and_summary.h"

#include <string.h>

#include "shared/text.h"

enum {
    MAGIC_OFFSET = 0, MAGIC_WIDTH = 8,
    DEMO_PROTOCOL_OFFSET = 8,
    NETWORK_PROTOCOL_OFFSET = 12,
    MAP_OFFSET = 16, MAP_WIDTH = 260,
    GAME_DIR_OFFSET = 276, GAME_DIR_WIDTH = 264
};

struct GameVersion {
    const char* networkVersion;
    const char* gameVersion;
};

static const GameVersion GameVersionTable[] = {
    {"37", "1.0.0.8"}, {"38", "1.0.0.9"}, {"39", "1.0.1.3"}, {"40", "1.0.1.6"},
    {"41", "1.1.0.0"}, {"42", "1.1.0.1"}, {"43", "1.1.0.4"}, {"45", "1.1.0.8"},
};

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

void DecodeDemoHeader(const unsigned char* bytes, size_t size, DemoHeader* header)
{
    DecodeText(bytes, size, MAGIC_OFFSET, MAGIC_WIDTH, header->magic);
    header->demoProtocol = DecodeProtocol(bytes, size, DEMO_PROTOCOL_OFFSET);
    header->networkProtocol = DecodeProtocol(bytes, size, NETWORK_PROTOCOL_OFFSET);
    DecodeText(bytes, size, MAP_OFFSET, MAP_WIDTH, header->mapName);
    DecodeText(bytes, size, GAME_DIR_OFFSET, GAME_DIR_WIDTH, header->gameDir);
}

static const char* LookUpGameVersion(const char* networkVersion)
{
    for (const GameVersion& row : GameVersionTable) {
        if (strcmp(row.networkVersion, networkVersion) == 0)
            return row.gameVersion;
    }
    return "N/A";
}

void CompleteInspection(const char* currentWidth, const char* currentHeight,
                        const char* programDir, DemoInspection* result)
{
    const DemoHeader* header = &result->header;
    // "-128" at the longest: always fits.
    (void)FormatText(result->demoVersion, sizeof result->demoVersion, "%d", header->demoProtocol);
    (void)FormatText(result->networkVersion, sizeof result->networkVersion, "%d", header->networkProtocol);
    result->gameVersion = LookUpGameVersion(result->networkVersion);

    // The header fields bound the summary well inside its buffer.
    (void)FormatText(result->summary, sizeof result->summary,
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
