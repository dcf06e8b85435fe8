#pragma once
#include <windows.h>

// The open-file dialogs of the main window. path (260 characters) holds the
// initial file name; on OK it holds the chosen path and the result is true,
// on cancel it is left as it was.
bool BrowseForDemo(char* path, HWND owner);
bool BrowseForGameExecutable(char* path, HWND owner);
