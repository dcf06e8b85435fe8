#pragma once
#include <windows.h>

// Sends the demo path to the running window by WM_COPYDATA, NUL included, and
// returns when that window has taken it.
void HandOverDemoPath(HWND window, const char* path);
