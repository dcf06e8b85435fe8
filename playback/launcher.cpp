#include "playback/launcher.h"

#include <string.h>

#include "app/app_state.h"
#include "app/dialog_field.h"
#include "app/resource.h"
#include "playback/engine_swap.h"
#include "playback/game_kind.h"
#include "playback/playback_text.h"
#include "playback/video_mode.h"
#include "shared/messages.h"
#include "shared/text.h"

static bool IsProtocol43()
{
    return strcmp(appState.networkVersion, "43") == 0;
}

// The demo's mode is set only for a known resolution of a non-HLTV demo that
// is not played on the swapped-in pack; NULL when there is nothing to set.
static const GameRegistry* OverrideRegistry(const char* exePath, bool swapped)
{
    if (strlen(appState.demoHeight) < 2 || strlen(appState.demoWidth) < 2 || appState.isHltv ||
        swapped)
        return NULL;
    return GameRegistryFor(GameKindFromPath(exePath));
}

// Puts back the user's video mode and the game's engine files once the game
// has gone, or never came up.
static void UndoPlayChanges(HWND mainDialog, const char* exePath, bool swapped)
{
    const GameRegistry* game = OverrideRegistry(exePath, swapped);
    if (game)
        WriteGameVideoMode(game, appState.currentHeight, appState.currentWidth);
    if (IsProtocol43())
        SwapEngineFiles(mainDialog, false);
}

void PlayDemo(HWND mainDialog)
{
    char demoPath[PATH_BUFFER_SIZE];
    char exePath[PATH_BUFFER_SIZE];
    char extraCommandLine[PATH_BUFFER_SIZE];
    char demoSpeed[DEMO_SPEED_SIZE];
    bool demoPathWhole = ReadWholeField(demoPath, sizeof demoPath, mainDialog, IDC_MAIN_DEMO_PATH);
    bool exePathWhole = ReadWholeField(exePath, sizeof exePath, mainDialog, IDC_MAIN_EXE_PATH);
    bool extraWhole = ReadWholeField(extraCommandLine, sizeof extraCommandLine, mainDialog, IDC_MAIN_COMMAND_LINE);
    // The speed is played cut to its first 19 characters, as Save stores it.
    (void)ReadWholeField(demoSpeed, sizeof demoSpeed, mainDialog, IDC_MAIN_DEMO_SPEED);
    char installDir[PATH_BUFFER_SIZE];
    // Never longer than the path it comes from, which came from a field of that size.
    (void)DeriveInstallDir(installDir, sizeof installDir, exePath);

    if (strlen(demoPath) < 3) {
        ShowNotice("No demo-file loaded.");
        return;
    }
    if (strlen(exePath) < 3) {
        ShowNotice("You have not located your hl.exe/cstrike.exe.");
        return;
    }

    // The mod directory comes from the demo file: it must not move the staged
    // copy, the deletion or the swapped files out of the game's tree.
    if (!IsSafeModDir(appState.modDir)) {
        ShowNotice("The demo's game directory is not a plain folder name.");
        return;
    }
    // Both are checked before anything changes: a cut path or line would
    // stage or play the wrong thing.
    char stagedPath[PATH_BUFFER_SIZE];
    if (!ComposeStagedDemoPath(stagedPath, sizeof stagedPath, installDir, appState.modDir)) {
        ShowNotice("The demo cannot be staged: the path is too long.");
        return;
    }
    // A field cut at 259 characters already makes the line longer than 259.
    char commandLine[PATH_BUFFER_SIZE];
    if (!exePathWhole || !extraWhole ||
        !ComposeGameCommandLine(commandLine, sizeof commandLine, exePath, extraCommandLine, appState.modDir,
                                demoSpeed)) {
        ShowNotice("The game's command line is too long.");
        return;
    }
    if (!demoPathWhole) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        ReportSystemError("Could not copy demo-file");
        return;
    }

    SetFileAttributesA(stagedPath, FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA(demoPath, stagedPath, FALSE)) {
        ReportSystemError("Could not copy demo-file");
        return;
    }

    bool swapped = false;
    if (IsProtocol43()) {
        swapped = true;
        SwapEngineFiles(mainDialog, true);
    }
    const GameRegistry* game = OverrideRegistry(exePath, swapped);
    if (game)
        WriteGameVideoMode(game, appState.demoHeight, appState.demoWidth);

    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&process, sizeof process);
    if (!CreateProcessA(exePath, commandLine, NULL, NULL, FALSE, CREATE_NO_WINDOW, NULL, NULL,
                        &startup, &process)) {
        ReportSystemError("Could not start HL.EXE/CSTRIKE.EXE");
        // Left as it is, the game would keep the demo's mode and the pack, and
        // the next swap would back up the pack as the game's own files.
        DeleteFileA(stagedPath);
        UndoPlayChanges(mainDialog, exePath, swapped);
        return;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DeleteFileA(stagedPath);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    UndoPlayChanges(mainDialog, exePath, swapped);
}
