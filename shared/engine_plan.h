#pragma once
// Everything both programs know about the game's engine files: the tables,
// which set a game uses, the path forms of the live files, their pristine
// copies, their play backups and the compatibility pack, and the copies each
// operation makes. Pure: the swap and the revert tool carry out
// the plans made here, so the two cannot disagree on what they copy.

#include "shared/text.h"

// The engine files a protocol-43 play swaps, in the order every loop over them
// follows. Entries are stored as the game tree names them; several begin with
// a backslash, which yields a doubled separator when joined to a folder (the
// file functions take it as one).
enum {
    HALF_LIFE_FILE_COUNT = 6,
    COUNTER_STRIKE_FILE_COUNT = 5,
    MOD_FILE_COUNT = 2,
    MOST_ENGINE_COPIES = HALF_LIFE_FILE_COUNT + MOD_FILE_COUNT
};

extern const char* const HalfLifeFileSet[HALF_LIFE_FILE_COUNT];
extern const char* const CounterStrikeFileSet[COUNTER_STRIKE_FILE_COUNT];
// Relative to the mod directory (the game directory's sub-folder of the mod).
extern const char* const ModFileSet[MOD_FILE_COUNT];

// Which game an executable path names. Two rules read the same path, and
// they differ on purpose: the game's registry key is chosen by testing
// "hl.exe" before "cstrike.exe", while the engine-file set is Counter-Strike's
// whenever "cstrike.exe" appears anywhere. Both test a lower-cased copy of the
// whole path, folder names included, so C:\cstrike.exe.d\hl.exe takes the
// Half-Life key and the Counter-Strike files. The games have always been told
// apart this way, and the pristine copies on users' disks follow the second.
enum GameKind {
    GAME_NONE,
    GAME_HALF_LIFE,
    GAME_COUNTER_STRIKE
};
GameKind GameKindFromPath(const char* exePath);
bool IsCounterStrikePath(const char* exePath);

enum EngineCopyKind {
    PRISTINE_COPY,  // live file to its pristine copy, never over an existing one
    BACKUP_COPY,    // live file to its play backup
    RESTORE_COPY,   // play backup back to the live file
    PACK_COPY,      // the pack's file to the live file
    REVERT_COPY     // pristine copy back to the live file (the revert tool)
};

// One copy of a plan.
struct EngineCopy {
    const char* entry;             // as stored in its table, leading backslash included
    char source[PATH_BUFFER_SIZE];
    char target[PATH_BUFFER_SIZE];
    bool fits;                     // false when a path did not fit: the copy must fail
};

// The copies of one operation for the game at exePath, in order: the active
// set, then the mod files of modDir. programDir (the pack's folder) is read
// only for PACK_COPY. Returns how many were filled in (8 for Half-Life, 7 for
// Counter-Strike).
int PlanEngineCopies(EngineCopy copies[MOST_ENGINE_COPIES], EngineCopyKind kind,
                     const char* exePath, const char* modDir, const char* programDir);
