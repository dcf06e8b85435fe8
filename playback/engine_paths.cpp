#include "playback/engine_paths.h"

#include "shared/text.h"

bool ComposeEngineFilePath(char* dest, size_t size, const char* installDir,
                           const char* entry, const char* suffix)
{
    return FormatText(dest, size, "%s\\%s%s", installDir, entry, suffix);
}

bool ComposeModFilePath(char* dest, size_t size, const char* installDir,
                        const char* modDir, const char* entry, const char* suffix)
{
    return FormatText(dest, size, "%s\\%s\\%s%s", installDir, modDir, entry, suffix);
}

bool ComposeEnginePackPath(char* dest, size_t size, const char* programDir,
                           bool counterStrike, const char* entry)
{
    return FormatText(dest, size, "%s\\%s\\%s", programDir, counterStrike ? "p43r" : "p43", entry);
}

bool ComposeModPackPath(char* dest, size_t size, const char* programDir,
                        const char* modDir, bool counterStrike, const char* entry)
{
    return FormatText(dest, size, "%s\\%s%s\\%s", programDir, modDir, counterStrike ? "r" : "",
                      entry);
}
