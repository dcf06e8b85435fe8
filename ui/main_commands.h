#pragma once
#include <windows.h>

// Carries out one command of the main dialog; the browser list acts on a
// double-click only. Always true.
BOOL HandleMainCommand(HWND mainDialog, WORD id, WORD code);
