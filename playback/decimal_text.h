#pragma once
// Decimal text of the game's 4-byte video-mode values, both ways.

#include <stddef.h>
#include <stdint.h>

// The text-to-long conversion the registry writes use: leading blanks, an
// optional sign, digits up to the first other character; no digits gives 0.
// Values beyond the 4-byte range saturate.
int32_t TextToLong(const char* text);

// True when the conversion above finds at least one digit, so the text stands
// for a number rather than for a value never read.
bool HoldsDecimalNumber(const char* text);

// Writes value in base 10 with a leading "-" when negative; false (and dest
// not to be used) when the text does not fit.
bool FormatDecimal(char* dest, size_t size, int32_t value);
