#pragma once
#include <windows.h>

// Lists the sub-folders and demo files of folder (no trailing backslash) in
// the browser list and shows "<folder>\" in the browser's folder field.
void ListDemoFolder(HWND mainDialog, const char* folder);

// The browser's double-click: lists the selected folder entry, or loads and
// inspects the selected file.
void OpenBrowserSelection(HWND mainDialog);

// Lists the user's desktop folder; leaves the browser as it is when the
// desktop folder cannot be determined.
void ListDesktopFolder(HWND mainDialog);
