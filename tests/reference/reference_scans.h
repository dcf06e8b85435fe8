#pragma once
// Literal, byte-by-byte forms of the three demo scans, written straight from
// their descriptions: the yardstick for the fast ones in the benchmark, the
// fuzzers and the unit tests. Same contracts as the functions they mirror.

#include <stddef.h>

#include "demo/analysis.h"

void ReferenceAnalyseDemo(const unsigned char* bytes, size_t size, const char* currentWidth,
                          const char* currentHeight, const char* programDir,
                          DemoInspection* result);

void ReferenceRewriteResolutionRecords(unsigned char* bytes, size_t size, unsigned int oldWidth,
                                       unsigned int oldHeight, unsigned int newWidth,
                                       unsigned int newHeight);

unsigned int ReferenceBlankTeamMessages(unsigned char* bytes, size_t size);

// True when every field of the two inspection records holds the same value.
bool SameInspection(const DemoInspection& a, const DemoInspection& b);
