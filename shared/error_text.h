#pragma once
#include <stddef.h>

// Composes "message: systemText" into dest; false when it did not fit.
bool ComposeErrorText(char* dest, size_t size, const char* message, const char* systemText);
