#pragma once
// The demo browser's text work: which entries it lists, how they show, and the
// paths a double-click forms. Each function that writes returns false when the
// result would not fit its buffer; the caller then does not use it.

#include <stddef.h>

// True for the search entry "." (matched by name: a drive's root has none).
bool IsCurrentFolderEntry(const char* name);

// True when a file name contains ".dem", compared with case (a.dem, x.demo).
bool IsListedDemoName(const char* name);

// A folder entry as the list shows it: the name in square brackets.
bool FormatFolderEntry(const char* name, char* dest, size_t size);

// The search pattern "<folder>\*" and the folder text "<folder>\" of a listing.
bool ComposeFolderSearch(const char* folder, char* pattern, size_t patternSize, char* shown,
                         size_t shownSize);

// The double-clicked path: the folder text followed directly by the entry.
bool JoinBrowserPath(const char* folderText, const char* entry, char* dest, size_t size);

// The folder a double-clicked folder entry leads to: the brackets are removed
// and the name joined to the folder text; [..] cuts that result at its last
// backslash twice (C:\demos\.. -> C:).
bool BrowserFolderTarget(const char* folderText, const char* entry, char* dest, size_t size);
