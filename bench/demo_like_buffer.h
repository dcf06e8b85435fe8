#pragma once
// The benchmarks' input: a demo-like buffer (the sample demo's header and
// player-info windows, then long zero runs, console text, small integers and
// random bytes) that holds none of the searched patterns until they are
// planted, and never the byte DEMO_LIKE_ABSENT_BYTE.

#include <stddef.h>

#include <vector>

enum { DEMO_LIKE_ABSENT_BYTE = 0xFF };

// Built once, on first use, at the given size; later calls return the same buffer.
std::vector<unsigned char>& DemoLikeBuffer(size_t size);

// Puts an 800x600 resolution record early in the buffer and more of them and
// some team messages throughout it, or takes them all out again.
void PlantPatterns(std::vector<unsigned char>& bytes, bool present);

// Where the sample demo part ends and the filler begins.
size_t DemoLikeFillerStart();
