#pragma once
// What a revert copies, worked out from the saved game executable path alone.

#include "shared/engine_files.h"
#include "shared/text.h"

enum { MOST_REVERT_COPIES = HALF_LIFE_FILE_COUNT + MOD_FILE_COUNT };

// One copy of a revert: an entry's pristine copy back over its live file.
struct RevertCopy {
    const char* entry; // as stored in its table, leading backslash included
    char source[PATH_BUFFER_SIZE];
    char target[PATH_BUFFER_SIZE];
    bool fits; // false when either path was cut to its buffer
};

// The copies for the executable path, in order: the active engine set, then
// the mod files of cstrike. Returns how many were filled in (8 or 7).
int PlanRevertCopies(const char* exePath, RevertCopy copies[MOST_REVERT_COPIES]);
