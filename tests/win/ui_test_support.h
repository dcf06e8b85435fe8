#pragma once
// What the main window's tests share: the real main dialog made modeless, a
// scratch folder, sample demos in it and the browser's view.

#include <windows.h>

#include <string>
#include <vector>

// Dialog 101 run by the real MainDialogProc, modeless and shown; the brushes
// are made afresh first, as the program makes them at its start.
HWND OpenMainDialog();
void CloseMainDialog(HWND dialog);

// A fresh folder under C:\ (removed first if a run left it) and its removal.
std::string MakeUiFolder(const char* name);
void RemoveUiFolder(const std::string& folder);

// A small sample demo at path, with two players and a resolution record.
void WriteUiDemo(const std::string& path);
void WriteEmptyFile(const std::string& path);

std::string FieldText(HWND dialog, int id);
std::vector<std::string> ListItems(HWND dialog, int id);

// Selects the entry and sends the list's notification, as a click would.
void SelectEntry(HWND dialog, const char* entry);
void NotifyBrowser(HWND dialog, WORD code);

// "message: system text" as ReportSystemError shows it for error.
std::string ErrorText(const char* message, unsigned long error);
