#include <windows.h>

#include <string.h>

#include "revert/revert_engine_files.h"
#include "revert/revert_plan.h"
#include "shared/messages.h"
#include "shared/text.h"

static const char SETTINGS_KEY[] = "Software\\Brakwood\\Flickbox\\Settings";

// Reads the saved executable path into exePath (PATH_BUFFER_SIZE bytes). False
// when there is none to revert for; only a key that opened but whose value
// could not be read is reported.
static bool ReadSavedGamePath(char* exePath)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;

    memset(exePath, 0, PATH_BUFFER_SIZE);
    DWORD size = PATH_BUFFER_SIZE;
    LONG status = RegQueryValueExA(key, "Path", NULL, NULL, (BYTE*)exePath, &size);
    // A value that fills the whole buffer without its NUL was cut.
    if (status == ERROR_SUCCESS && size == PATH_BUFFER_SIZE && exePath[PATH_BUFFER_SIZE - 1] != '\0')
        status = ERROR_MORE_DATA;
    RegCloseKey(key);

    if (status != ERROR_SUCCESS) {
        // The registry returns its error instead of setting the thread's.
        SetLastError((DWORD)status);
        ReportSystemError("Could not read BWV1");
        return false;
    }
    // An empty field saved names no game; its "folder" would be the drive's root.
    return exePath[0] != '\0';
}

static void ReportFailedCopy(const char* entry)
{
    char message[PATH_BUFFER_SIZE];
    // Entries are short table constants, so the message always fits.
    FormatText(message, sizeof message, "Could not revert %s", entry);
    ReportSystemError(message);
}

// True when the entry was restored or had no pristine copy to restore.
static bool RestoreCopy(const RevertCopy* copy)
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

    RevertCopy copies[MOST_REVERT_COPIES];
    int count = PlanRevertCopies(exePath, copies);
    bool allRestored = true;
    for (int i = 0; i < count; i++) {
        if (!RestoreCopy(&copies[i]))
            allRestored = false;
    }
    if (allRestored)
        ShowNotice("Half-Life succesfully reverted.");
}
