#pragma once
// The long form of a path built one component at a time, for systems without
// a long-path service. The caller supplies the lookup of one path's stored
// long name, so the walk itself needs no platform.

#include <stddef.h>

// Writes the stored long name of the last component of path into longName and
// returns true, or returns false when it cannot be found (or does not fit).
typedef bool (*LongNameLookup)(const char* path, char* longName, size_t size, void* context);

// Each component of shortPath takes the long name that lookup finds for the
// path up to it, or stays as given; a path with a wildcard is not looked up,
// as it would name whatever entry matched first. The backslashes between components stay,
// so a UNC start or a doubled backslash is kept; a drive ("C:") is kept as
// given and a final backslash is dropped. False, with dest empty, when the
// result would not fit.
[[nodiscard]] bool WalkLongPath(char* dest, size_t size, const char* shortPath,
                                LongNameLookup lookup, void* context);
