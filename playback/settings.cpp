#include "playback/settings.h"

#include <string.h>

#include "app/app_state.h"
#include "app/dialog_field.h"
#include "app/resource.h"
#include "playback/game_kind.h"
#include "playback/playback_text.h"
#include "shared/registry.h"
#include "shared/text.h"

// A text its field cut is not stored, and cutError says why: a cut path
// would send the next run, and the revert tool, to another folder.
static bool WriteSetting(HKEY key, const char* name, const char* text, LONG cutError, const char* failure)
{
    if (cutError != ERROR_SUCCESS) {
        ReportRegistryError(cutError, failure);
        return false;
    }
    LONG status = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)strlen(text) + 1);
    if (status != ERROR_SUCCESS) {
        ReportRegistryError(status, failure);
        return false;
    }
    return true;
}

bool SaveSettings(HWND mainDialog)
{
    char exePath[PATH_BUFFER_SIZE];
    char commandLine[PATH_BUFFER_SIZE];
    char demoSpeed[DEMO_SPEED_SIZE];
    bool exePathWhole = ReadWholeField(exePath, sizeof exePath, mainDialog, IDC_MAIN_EXE_PATH);
    bool commandLineWhole = ReadWholeField(commandLine, sizeof commandLine, mainDialog, IDC_MAIN_COMMAND_LINE);
    // A longer speed is stored cut to its first 19 characters, as it always was.
    (void)ReadWholeField(demoSpeed, sizeof demoSpeed, mainDialog, IDC_MAIN_DEMO_SPEED);

    HKEY key;
    DWORD disposition;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyName, 0, (LPSTR) "",
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                                  &disposition);
    if (status != ERROR_SUCCESS) {
        // Without the key there is nowhere to write: the values are not tried.
        ReportRegistryError(status, "Could not create the settings registry key");
        return false;
    }
    // Each value is written even when the one before it failed.
    bool saved = WriteSetting(key, "Path", exePath, exePathWhole ? ERROR_SUCCESS : ERROR_FILENAME_EXCED_RANGE,
                              "Could not set the path key value");
    saved = WriteSetting(key, "CommandLine", commandLine, commandLineWhole ? ERROR_SUCCESS : ERROR_INSUFFICIENT_BUFFER,
                         "Could not set the commandline key value") &&
            saved;
    saved = WriteSetting(key, "DemoSpeed", demoSpeed, ERROR_SUCCESS, "Could not set the speed key value") && saved;
    RegCloseKey(key);
    return saved;
}

static void LoadSetting(HWND mainDialog, HKEY key, const char* name, int field, const char* failure)
{
    char text[PATH_BUFFER_SIZE];
    LONG status = ReadRegistryText(text, sizeof text, key, name);
    if (status != ERROR_SUCCESS) {
        ReportRegistryError(status, failure);
        return;
    }
    SetDlgItemTextA(mainDialog, field, text);
}

static void ReadModeValue(HKEY key, const char* name, char* dest, size_t size, const char* failure)
{
    int32_t value = 0;
    DWORD type;
    DWORD length = sizeof value;
    LONG status = RegQueryValueExA(key, name, NULL, &type, (BYTE*)&value, &length);
    if (status != ERROR_SUCCESS) {
        ReportRegistryError(status, failure);
        return;
    }
    char text[RESOLUTION_TEXT_SIZE];
    // Longer than 7 characters is no video mode at all; keep the old text.
    if (!FormatDecimal(text, sizeof text, value)) {
        ReportRegistryError(ERROR_INVALID_DATA, failure);
        return;
    }
    // dest is a resolution text of the same size as text.
    (void)CopyText(dest, size, text);
}

static void ReadVideoMode(const GameRegistry* game)
{
    HKEY key;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, game->key, 0, KEY_QUERY_VALUE, &key);
    if (status != ERROR_SUCCESS) {
        ReportRegistryError(status, game->openFailure);
        return;
    }
    ReadModeValue(key, "EngineModeH", appState.currentHeight, sizeof appState.currentHeight,
                  game->heightFailure);
    ReadModeValue(key, "EngineModeW", appState.currentWidth, sizeof appState.currentWidth,
                  game->widthFailure);
    RegCloseKey(key);
}

void LoadSettings(HWND mainDialog)
{
    HKEY key;
    // No key is the first run, not a failure.
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyName, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        LoadSetting(mainDialog, key, "Path", IDC_MAIN_EXE_PATH, "Could not read BWV1");
        LoadSetting(mainDialog, key, "CommandLine", IDC_MAIN_COMMAND_LINE, "Could not read BWV2");
        LoadSetting(mainDialog, key, "DemoSpeed", IDC_MAIN_DEMO_SPEED, "Could not read BWV3");
        RegCloseKey(key);
    }

    char exePath[PATH_BUFFER_SIZE];
    // A path longer than any stored one names no game whose mode to read.
    if (!ReadWholeField(exePath, sizeof exePath, mainDialog, IDC_MAIN_EXE_PATH))
        return;
    const GameRegistry* game = GameRegistryFor(GameKindFromPath(exePath));
    if (game)
        ReadVideoMode(game);
}
