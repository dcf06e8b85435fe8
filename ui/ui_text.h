#pragma once
// The main window's text work: the .DEM association's values, which entries
// the demo browser lists, how they show, and the paths a double-click forms.
// Each function that writes returns false when the result would not fit its
// buffer; the caller then does not use it.

#include <stddef.h>

// "<path> %1": the shell's open command, with no quotes.
[[nodiscard]] bool ComposeOpenCommand(char* dest, size_t size, const char* exePath);

// "<path>,0": the first icon in the executable.
[[nodiscard]] bool ComposeDefaultIcon(char* dest, size_t size, const char* exePath);

// True for the search entry "." (matched by name: a drive's root has none).
bool IsCurrentFolderEntry(const char* name);

// True when a file name contains ".dem", compared with case (a.dem, x.demo).
bool IsListedDemoName(const char* name);

// A folder entry as the list shows it: the name in square brackets.
[[nodiscard]] bool FormatFolderEntry(char* dest, size_t size, const char* name);

// The search pattern "<folder>\*" and the folder text "<folder>\" of a listing.
[[nodiscard]] bool ComposeFolderSearch(char* pattern, size_t patternSize, char* shown,
                                       size_t shownSize, const char* folder);

// The double-clicked path: the folder text followed directly by the entry.
[[nodiscard]] bool JoinBrowserPath(char* dest, size_t size, const char* folderText,
                                   const char* entry);

// The folder a double-clicked folder entry leads to: the brackets are removed
// and the name joined to the folder text; [..] cuts that result at its last
// backslash twice (C:\demos\.. -> C:).
[[nodiscard]] bool BrowserFolderTarget(char* dest, size_t size, const char* folderText,
                                       const char* entry);
