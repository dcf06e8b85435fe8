#include "playback/game_command.h"

#include <string.h>

#include "shared/text.h"

bool ComposeGameCommandLine(char* dest, size_t size, const char* exePath,
                            const char* extraCommandLine, const char* modDir,
                            const char* demoSpeed)
{
    return FormatText(dest, size,
                      "%s %s -game %s -console -toconsole +exec config.cfg +playdemo flickbox.dem %s",
                      exePath, extraCommandLine, modDir, demoSpeed);
}

bool ComposeStagedDemoPath(char* dest, size_t size, const char* installDir,
                           const char* modDir)
{
    return FormatText(dest, size, "%s\\%s\\flickbox.dem", installDir, modDir);
}

bool IsSafeModDir(const char* modDir)
{
    if (strcmp(modDir, ".") == 0 || strcmp(modDir, "..") == 0)
        return false;
    return strpbrk(modDir, "\\/:") == NULL;
}
