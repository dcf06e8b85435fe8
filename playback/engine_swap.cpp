#include "playback/engine_swap.h"

#include "app/app_state.h"
#include "app/dialog_field.h"
#include "app/resource.h"
#include "shared/engine_plan.h"
#include "shared/messages.h"
#include "shared/text.h"

// Takes the pristine copies where there are none yet; every failure is
// passed over.
static void MakePristineCopies(const char* exePath)
{
    EngineCopy copies[MOST_ENGINE_COPIES];
    int count = PlanEngineCopies(copies, PRISTINE_COPY, exePath, appState.modDir, appState.programDir);
    for (int i = 0; i < count; i++) {
        if (!copies[i].fits)
            continue;
        SetFileAttributesA(copies[i].target, FILE_ATTRIBUTE_NORMAL);
        CopyFileA(copies[i].source, copies[i].target, TRUE);
    }
}

// Every copy of the plan in order, overwriting; stops at the first that
// fails and reports its entry as stored. A path too long for its buffer, or
// planned from an executable path cut by its field, is a failed copy.
static bool CopyAll(const char* exePath, bool exePathWhole, EngineCopyKind kind, const char* failure)
{
    EngineCopy copies[MOST_ENGINE_COPIES];
    int count = PlanEngineCopies(copies, kind, exePath, appState.modDir, appState.programDir);
    for (int i = 0; i < count; i++) {
        DWORD error = ERROR_FILENAME_EXCED_RANGE;
        if (exePathWhole && copies[i].fits) {
            SetFileAttributesA(copies[i].target, FILE_ATTRIBUTE_NORMAL);
            if (CopyFileA(copies[i].source, copies[i].target, FALSE))
                continue;
            error = GetLastError();
        }
        char message[64];
        // Entries are short table constants, so the message always fits.
        (void)FormatText(message, sizeof message, failure, copies[i].entry);
        SetLastError(error);
        ReportSystemError(message);
        return false;
    }
    return true;
}

void SwapEngineFiles(HWND mainDialog, bool install)
{
    char exePath[PATH_BUFFER_SIZE];
    // A cut path would name another game folder: nothing is copied from it.
    bool whole = ReadWholeField(exePath, sizeof exePath, mainDialog, IDC_MAIN_EXE_PATH);
    if (whole)
        MakePristineCopies(exePath);
    if (!install) {
        CopyAll(exePath, whole, RESTORE_COPY, "Could not revert %s");
        return;
    }
    if (CopyAll(exePath, whole, BACKUP_COPY, "Could not backup %s"))
        CopyAll(exePath, whole, PACK_COPY, "Could not copy %s");
}
