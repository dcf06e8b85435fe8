#include "playback/engine_swap.h"

#include "app/app_state.h"
#include "playback/engine_paths.h"
#include "shared/engine_files.h"
#include "shared/messages.h"
#include "shared/text.h"
#include "ui/resource.h"

struct SwapTree {
    char installDir[PATH_BUFFER_SIZE];
    bool counterStrike;
};

enum SwapCopy {
    BACKUP_COPY,    // live file to its play backup
    REVERT_COPY,    // play backup to the live file
    PACK_COPY       // the pack's file to the live file
};

static bool GameFilePath(char* dest, const SwapTree& tree, bool modFile, const char* entry,
                         const char* suffix)
{
    if (modFile)
        return ComposeModFilePath(dest, PATH_BUFFER_SIZE, tree.installDir, appState.modDir, entry,
                                  suffix);
    return ComposeEngineFilePath(dest, PATH_BUFFER_SIZE, tree.installDir, entry, suffix);
}

static bool PackFilePath(char* dest, const SwapTree& tree, bool modFile, const char* entry)
{
    if (modFile)
        return ComposeModPackPath(dest, PATH_BUFFER_SIZE, appState.programDir, appState.modDir,
                                  tree.counterStrike, entry);
    return ComposeEnginePackPath(dest, PATH_BUFFER_SIZE, appState.programDir, tree.counterStrike,
                                 entry);
}

// Copies the live file to its pristine copy only where there is none yet;
// every failure is passed over.
static void MakePristineCopy(const SwapTree& tree, bool modFile, const char* entry)
{
    char live[PATH_BUFFER_SIZE];
    char pristine[PATH_BUFFER_SIZE];
    if (!GameFilePath(live, tree, modFile, entry, "") ||
        !GameFilePath(pristine, tree, modFile, entry, ".org"))
        return;
    SetFileAttributesA(pristine, FILE_ATTRIBUTE_NORMAL);
    CopyFileA(live, pristine, TRUE);
}

// One backup, restore or pack copy, overwriting; reports the entry as stored
// when it fails. A path too long for its buffer is a failed copy.
static bool CopyEntry(const SwapTree& tree, SwapCopy kind, bool modFile, const char* entry)
{
    char source[PATH_BUFFER_SIZE];
    char target[PATH_BUFFER_SIZE];
    bool fits = false;
    const char* failure = "";
    switch (kind) {
    case BACKUP_COPY:
        fits = GameFilePath(source, tree, modFile, entry, "") &&
               GameFilePath(target, tree, modFile, entry, ".bak");
        failure = "Could not backup %s";
        break;
    case REVERT_COPY:
        fits = GameFilePath(source, tree, modFile, entry, ".bak") &&
               GameFilePath(target, tree, modFile, entry, "");
        failure = "Could not revert %s";
        break;
    case PACK_COPY:
        fits = PackFilePath(source, tree, modFile, entry) &&
               GameFilePath(target, tree, modFile, entry, "");
        failure = "Could not copy %s";
        break;
    }
    DWORD error = ERROR_FILENAME_EXCED_RANGE;
    if (fits) {
        SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
        if (CopyFileA(source, target, FALSE))
            return true;
        error = GetLastError();
    }
    char message[64];
    FormatText(message, sizeof message, failure, entry);
    SetLastError(error);
    ReportSystemError(message);
    return false;
}

// The active set, then the mod files; stops at the first failed copy.
static bool CopyAll(const SwapTree& tree, SwapCopy kind, const char* const* engineFiles,
                    int engineCount)
{
    for (int i = 0; i < engineCount; i++) {
        if (!CopyEntry(tree, kind, false, engineFiles[i]))
            return false;
    }
    for (int i = 0; i < MOD_FILE_COUNT; i++) {
        if (!CopyEntry(tree, kind, true, ModFileSet[i]))
            return false;
    }
    return true;
}

void SwapEngineFiles(HWND dialog, bool install)
{
    char exePath[PATH_BUFFER_SIZE] = "";
    GetDlgItemTextA(dialog, IDC_MAIN_EXE_PATH, exePath, sizeof exePath);
    SwapTree tree;
    DeriveInstallDir(exePath, tree.installDir, sizeof tree.installDir);
    tree.counterStrike = IsCounterStrikePath(exePath);
    const char* const* engineFiles = tree.counterStrike ? CounterStrikeFileSet : HalfLifeFileSet;
    int engineCount = tree.counterStrike ? COUNTER_STRIKE_FILE_COUNT : HALF_LIFE_FILE_COUNT;

    for (int i = 0; i < engineCount; i++)
        MakePristineCopy(tree, false, engineFiles[i]);
    for (int i = 0; i < MOD_FILE_COUNT; i++)
        MakePristineCopy(tree, true, ModFileSet[i]);

    if (!CopyAll(tree, install ? BACKUP_COPY : REVERT_COPY, engineFiles, engineCount))
        return;
    if (install)
        CopyAll(tree, PACK_COPY, engineFiles, engineCount);
}
