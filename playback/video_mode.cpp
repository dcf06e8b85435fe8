#include "playback/video_mode.h"

#include <windows.h>

#include "playback/playback_text.h"
#include "shared/registry.h"

static void WriteModeValue(HKEY key, const char* name, const char* text, const char* failure)
{
    // Writing 0 for a mode that was never read would break the game's display.
    if (!HoldsDecimalNumber(text))
        return;
    DWORD value = (DWORD)TextToLong(text);
    LONG status = RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof value);
    if (status != ERROR_SUCCESS)
        ReportRegistryError(status, failure);
}

void WriteGameVideoMode(const GameRegistry* game, const char* heightText, const char* widthText)
{
    HKEY key;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, game->key, 0, KEY_ALL_ACCESS, &key);
    if (status != ERROR_SUCCESS) {
        ReportRegistryError(status, game->openFailure);
        return;
    }
    WriteModeValue(key, "EngineModeH", heightText, "Could not set the EMH key value");
    WriteModeValue(key, "EngineModeW", widthText, "Could not set the EMW key value");
    RegCloseKey(key);
}
