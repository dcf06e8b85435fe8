#pragma once
// What the main window's tests share: the real main dialog made modeless,
// sample demos and the browser's view.

#include <windows.h>

#include <string>

// Dialog 101 run by the real MainDialogProc, modeless and shown; the brushes
// are made afresh first, as the program makes them at its start.
HWND OpenMainDialog();
void CloseMainDialog(HWND dialog);

// The main dialog started without a demo, with the boxes of its start taken.
HWND OpenPlainMainDialog();

// A small sample demo at path, with two players and a resolution record.
void WriteUiDemo(const std::string& path);

// Clicks the button, as the user would.
void PressButton(HWND dialog, int id);

// Selects the browser's entry, sends the browser's notification, or both
// for a double click, as the user's clicks would.
void SelectEntry(HWND dialog, const char* entry);
void NotifyBrowser(HWND dialog, WORD code);
void DoubleClickEntry(HWND dialog, const char* entry);
