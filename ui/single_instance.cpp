#include "ui/single_instance.h"

#include <string.h>

#include "ui/resource.h"

HWND FindRunningMainWindow()
{
    HWND first = FindWindowA(NULL, "Flickbox");
    // The running instance's notices carry the same title; only the main
    // dialog has the demo path field and takes a hand-over.
    for (HWND window = first; window; window = FindWindowExA(NULL, window, NULL, "Flickbox")) {
        if (GetDlgItem(window, IDC_MAIN_DEMO_PATH))
            return window;
    }
    return first;
}

void HandOverDemoPath(HWND window, const char* path)
{
    COPYDATASTRUCT record;
    record.dwData = 0;
    record.cbData = (DWORD)strlen(path) + 1;
    record.lpData = (void*)path;
    SendMessageA(window, WM_COPYDATA, 0, (LPARAM)&record);
}
