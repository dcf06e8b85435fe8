#pragma once
// Bounded text helpers over fixed-size ANSI buffers. Every function that writes
// takes the destination's size in bytes, always terminates the result (when
// the size is at least 1) and returns false when the whole result did not fit.

#include <stddef.h>

enum { PATH_BUFFER_SIZE = 260 };

bool CopyText(char* dest, size_t size, const char* src);
bool AppendText(char* dest, size_t size, const char* src);
bool FormatText(char* dest, size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// Copies at most maxLength bytes of src, stopping at a NUL.
bool CopyTextPrefix(char* dest, size_t size, const char* src, size_t maxLength);

// Ends the text at its last backslash, searching from the end; a text without
// one stays whole.
void CutAtLastBackslash(char* path);

// The game directory: the executable path up to, not including, its last
// backslash (the whole path when it has none).
bool DeriveInstallDir(const char* exePath, char* dest, size_t size);

// ASCII A-Z become a-z in the copy; all other bytes are copied as they are.
bool LowerCaseCopy(const char* src, char* dest, size_t size);

bool ContainsText(const char* text, const char* part);

// True when a lower-cased copy of the executable path names cstrike.exe; the
// engine-file swap and the revert tool use the Counter-Strike set then.
bool IsCounterStrikePath(const char* exePath);
