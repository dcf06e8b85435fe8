#pragma once
// The demo header's fields and the texts an inspection shows from them: what
// the fast and the literal reference inspections share.

#include <stddef.h>

#include "demo/analysis.h"

// The header fields; a field lying past the end of a short file keeps only the
// bytes the file has, and a missing protocol byte reads as 0.
void DecodeDemoHeader(const unsigned char* bytes, size_t size, DemoHeader* header);

// Versions, game version, summary and preview path, from the header and the
// resolution and HLTV mark the scans found.
void CompleteInspection(const char* currentWidth, const char* currentHeight,
                        const char* programDir, DemoInspection* result);
