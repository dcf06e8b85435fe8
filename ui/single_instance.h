#pragma once
#include <windows.h>

// The running instance's main window: a top-level window titled "Flickbox",
// preferring the main dialog over a message box of the same title; NULL when
// there is none.
HWND FindRunningMainWindow();

// Sends the demo path to the running window by WM_COPYDATA, NUL included, and
// returns when that window has taken it.
void HandOverDemoPath(HWND window, const char* path);
