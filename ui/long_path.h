#pragma once
#include <windows.h>

// Writes the long form of shortPath into dest (capacity in characters) and
// returns the system's count, or 0; after a failed conversion dest is empty.
DWORD ConvertToLongPath(const char* shortPath, char* dest, DWORD capacity);

// The component walk ConvertToLongPath falls back on where the system has no
// long-path service; returns 0, with dest empty when the result did not fit.
DWORD WalkToLongPath(const char* shortPath, char* dest, DWORD capacity);
