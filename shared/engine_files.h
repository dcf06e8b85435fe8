#pragma once
// The engine files a protocol-43 play swaps, in the order every loop over them
// follows. Entries are stored as the game tree names them; several begin with
// a backslash, which yields a doubled separator when joined to a folder.

enum {
    HALF_LIFE_FILE_COUNT = 6,
    COUNTER_STRIKE_FILE_COUNT = 5,
    MOD_FILE_COUNT = 2
};

extern const char* const HalfLifeFileSet[HALF_LIFE_FILE_COUNT];
extern const char* const CounterStrikeFileSet[COUNTER_STRIKE_FILE_COUNT];
// Relative to the mod directory (the game directory's sub-folder of the mod).
extern const char* const ModFileSet[MOD_FILE_COUNT];
