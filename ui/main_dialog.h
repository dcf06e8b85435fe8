#pragma once
#include <windows.h>

// The dialog procedure of the main window (dialog 101).
INT_PTR CALLBACK MainDialogProc(HWND mainDialog, UINT message, WPARAM wParam, LPARAM lParam);
