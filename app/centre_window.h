#pragma once
#include <windows.h>

// Moves the window, keeping its size and without repainting, to the centre of
// the full-screen work area; a window larger than the area is centred over it.
void CentreWindow(HWND window);
