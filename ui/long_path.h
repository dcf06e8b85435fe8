#pragma once
#include <windows.h>

// Writes the long form of shortPath into dest (capacity in characters) and
// returns the system's count, or 0; after a failed conversion dest is empty.
// Where the system has no long-path service, a component walk stands in for
// it and returns 0, with dest empty when the result did not fit.
DWORD ConvertToLongPath(const char* shortPath, char* dest, DWORD capacity);
