#include "playback/engine_swap.h"

#include "app/app_state.h"
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
// fails and reports its entry as stored. A path too long for its buffer is a
// failed copy.
static bool CopyAll(const char* exePath, EngineCopyKind kind, const char* failure)
{
    EngineCopy copies[MOST_ENGINE_COPIES];
    int count = PlanEngineCopies(copies, kind, exePath, appState.modDir, appState.programDir);
    for (int i = 0; i < count; i++) {
        DWORD error = ERROR_FILENAME_EXCED_RANGE;
        if (copies[i].fits) {
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
    char exePath[PATH_BUFFER_SIZE] = "";
    GetDlgItemTextA(mainDialog, IDC_MAIN_EXE_PATH, exePath, sizeof exePath);
    MakePristineCopies(exePath);
    if (!install) {
        CopyAll(exePath, RESTORE_COPY, "Could not revert %s");
        return;
    }
    if (CopyAll(exePath, BACKUP_COPY, "Could not backup %s"))
        CopyAll(exePath, PACK_COPY, "Could not copy %s");
}
