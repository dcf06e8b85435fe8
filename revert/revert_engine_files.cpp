#include <windows.h>

#include <string.h>

#include "revert/revert_engine_files.h"
#include "shared/engine_plan.h"
#include "shared/messages.h"
#include "shared/registry.h"
#include "shared/text.h"

// Reads the saved executable path into exePath (PATH_BUFFER_SIZE bytes). False
// when there is none to revert for; only a key that opened but whose value
// could not be read is reported.
static bool ReadSavedGamePath(char* exePath)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;

    LONG status = ReadRegistryText(exePath, PATH_BUFFER_SIZE, key, "Path");
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        ReportRegistryError(status, "Could not read BWV1");
        return false;
    }
    // An empty field saved names no game; its "folder" would be the drive's root.
    return exePath[0] != '\0';
}

static void ReportFailedCopy(const char* entry)
{
    char message[PATH_BUFFER_SIZE];
    // Entries are short table constants, so the message always fits.
    (void)FormatText(message, sizeof message, "Could not revert %s", entry);
    ReportSystemError(message);
}

// True when the entry was restored or had no pristine copy to restore.
static bool RestoreCopy(const EngineCopy* copy)
{
    if (!copy->fits) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        ReportFailedCopy(copy->entry);
        return false;
    }
    if (CopyFileA(copy->source, copy->target, FALSE))
        return true;

    DWORD error = GetLastError();
    if (GetFileAttributesA(copy->source) == INVALID_FILE_ATTRIBUTES) {
        DWORD missing = GetLastError();
        // No swap ever touched this file: nothing to put back.
        if (missing == ERROR_FILE_NOT_FOUND || missing == ERROR_PATH_NOT_FOUND)
            return true;
    }
    SetLastError(error);
    ReportFailedCopy(copy->entry);
    return false;
}

void RevertEngineFiles()
{
    char exePath[PATH_BUFFER_SIZE];
    if (!ReadSavedGamePath(exePath)) {
        ShowNotice("No game executable has been saved, so nothing was reverted.");
        return;
    }

    // The revert tool knows no demo, so it always restores this mod's files.
    EngineCopy copies[MOST_ENGINE_COPIES];
    int count = PlanEngineCopies(copies, REVERT_COPY, exePath, "cstrike", "");
    bool allRestored = true;
    for (int i = 0; i < count; i++) {
        if (!RestoreCopy(&copies[i]))
            allRestored = false;
    }
    if (allRestored)
        ShowNotice("Half-Life succesfully reverted.");
}
