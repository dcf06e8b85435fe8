#pragma once
#include <windows.h>

// Rewrites the resolution records of the demo named in the main window.
void ConvertDemoResolution(HWND mainDialog, unsigned int oldWidth, unsigned int oldHeight,
                           unsigned int newWidth, unsigned int newHeight);

// The dialog procedure of "Convert demo resolution" (dialog 139).
INT_PTR CALLBACK ConvertResolutionDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
