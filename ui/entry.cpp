#include <windows.h>

#include "app/app_state.h"
#include "app/colours.h"
#include "app/main_window.h"
#include "app/resource.h"
#include "ui/association.h"
#include "ui/long_path.h"
#include "ui/main_dialog.h"
#include "ui/single_instance.h"

// The command line is one optional demo path. A later instance hands that path
// to the running window and exits; the first runs the main dialog.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    CreateDialogBrushes();
    appInstance = instance;
    ConvertToLongPath(commandLine, appState.startupDemoPath, sizeof appState.startupDemoPath);

    char exePath[MAX_PATH];
    GetModuleFileNameA(NULL, exePath, sizeof exePath);
    GetModuleFileNameA(NULL, appState.programDir, sizeof appState.programDir);
    // A path that filled the buffer comes back unterminated on older systems.
    exePath[sizeof exePath - 1] = '\0';
    appState.programDir[sizeof appState.programDir - 1] = '\0';
    CutAtLastBackslash(appState.programDir);

    RegisterDemoAssociation(exePath);

    if (OpenMutexA(MUTEX_ALL_ACCESS, FALSE, "FlickboxII")) {
        HWND running = FindMainWindow();
        SetForegroundWindow(running);
        if (appState.startupDemoPath[0] != '\0' && running)
            HandOverDemoPath(running, appState.startupDemoPath);
        return 0;
    }
    HANDLE mutex = CreateMutexA(NULL, TRUE, "FlickboxII");
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDialogProc, 0);
    ReleaseMutex(mutex);
    return 0;
}
