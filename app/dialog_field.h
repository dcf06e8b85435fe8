#pragma once
#include <windows.h>

#include <stddef.h>

// Reads the text of the dialog's field into dest (size bytes, always
// terminated). False when the field holds more than fits: the cut text could
// name another file or folder, so the caller must not use it.
[[nodiscard]] bool ReadWholeField(char* dest, size_t size, HWND dialog, int id);
