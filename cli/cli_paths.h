#pragma once
// Demo file names as the console tool picks and makes them. Pure.

#include <string>

// The name ends in ".dem", in any letter case, after at least one character.
bool HasDemoEnding(const char* name);

// NAME.dem gives NAME.repaired.dem; a name without the ending gets it added.
std::string RepairedPath(const char* path);

// NAME.dem gives NAME.cut.dem, the same way.
std::string CutPath(const char* path);
