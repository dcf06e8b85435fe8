#pragma once
// Registry helpers both programs use.

#include <windows.h>

// The user's settings: Path, CommandLine and DemoSpeed.
extern const char SettingsKeyName[];

// Reads a string value of any type into text (size bytes, always terminated).
// A value that fills the whole buffer without its NUL was cut, so it reads as
// ERROR_MORE_DATA, as a longer one does.
[[nodiscard]] LONG ReadRegistryText(char* text, DWORD size, HKEY key, const char* name);

// Reports a failed registry call through ReportSystemError: the registry
// functions return their error instead of setting the thread's last error.
void ReportRegistryError(LONG status, const char* message);
