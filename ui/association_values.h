#pragma once
// The default values of the .DEM association's keys, for an executable path.
// False when the value would not fit; the value is then not written.

#include <stddef.h>

// "<path> %1": the shell's open command, with no quotes.
bool ComposeOpenCommand(const char* exePath, char* dest, size_t size);

// "<path>,0": the first icon in the executable.
bool ComposeDefaultIcon(const char* exePath, char* dest, size_t size);
