#include "app/main_window.h"

#include "app/resource.h"

HWND FindMainWindow()
{
    HWND first = FindWindowA(NULL, "Flickbox");
    // Notices carry the same title; only the main dialog has the demo path
    // field.
    for (HWND window = first; window; window = FindWindowExA(NULL, window, NULL, "Flickbox")) {
        if (GetDlgItem(window, IDC_MAIN_DEMO_PATH))
            return window;
    }
    return first;
}
