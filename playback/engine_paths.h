#pragma once
// The paths of the engine-file swap. Each joins its values with one backslash,
// so a table entry that begins with a backslash yields a doubled separator,
// which the file functions take as one. Each returns false when the path did
// not fit.

#include <stddef.h>

// installDir\entry followed by suffix ("" live, ".org" pristine, ".bak" backup).
bool ComposeEngineFilePath(char* dest, size_t size, const char* installDir,
                           const char* entry, const char* suffix);

// installDir\modDir\entry followed by suffix.
bool ComposeModFilePath(char* dest, size_t size, const char* installDir,
                        const char* modDir, const char* entry, const char* suffix);

// The pack's copy of an engine file: programDir\p43\entry, or
// programDir\p43r\entry for the Counter-Strike set.
bool ComposeEnginePackPath(char* dest, size_t size, const char* programDir,
                           bool counterStrike, const char* entry);

// The pack's copy of a mod file: programDir\modDir\entry, or
// programDir\modDirr\entry for the Counter-Strike set.
bool ComposeModPackPath(char* dest, size_t size, const char* programDir,
                        const char* modDir, bool counterStrike, const char* entry);
