#pragma once
#include <windows.h>

// Puts the compatibility pack in place of the game's engine files (install)
// or the play backups back (revert), for the executable in field 1011.
void SwapEngineFiles(HWND mainDialog, bool install);
