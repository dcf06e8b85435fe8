#pragma once
// Bounded text helpers over fixed-size ANSI buffers. Every function that writes
// takes the destination and its size in bytes first, always terminates the
// result (when the size is at least 1) and returns false when the whole result
// did not fit. A caller that ignores the result says why the text fits.

#include <stddef.h>

enum { PATH_BUFFER_SIZE = 260 };

[[nodiscard]] bool CopyText(char* dest, size_t size, const char* src);
[[nodiscard]] bool AppendText(char* dest, size_t size, const char* src);
[[nodiscard]] bool FormatText(char* dest, size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// Copies at most maxLength bytes of src, stopping at a NUL.
[[nodiscard]] bool CopyTextPrefix(char* dest, size_t size, const char* src, size_t maxLength);

// Ends the text at its last backslash, searching from the end; a text without
// one stays whole.
void CutAtLastBackslash(char* path);

// The game directory: the executable path up to, not including, its last
// backslash (the whole path when it has none).
[[nodiscard]] bool DeriveInstallDir(char* dest, size_t size, const char* exePath);

// ASCII A-Z become a-z in the copy; all other bytes are copied as they are.
[[nodiscard]] bool LowerCaseCopy(char* dest, size_t size, const char* src);

bool ContainsText(const char* text, const char* part);

// "message: systemText", as an error report shows it.
[[nodiscard]] bool ComposeErrorText(char* dest, size_t size, const char* message,
                                    const char* systemText);
