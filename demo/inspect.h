#pragma once
#include <windows.h>

// Inspects the demo named in the main dialog's path field and shows it there.
void InspectDemo(HWND mainDialog);

// The bitmap in the file, at its own size, or NULL; reports nothing.
HBITMAP LoadMapPreview(const char* path);
