#pragma once
#include <stddef.h>

// Overwrites, in place, every 14-byte resolution record of the old size with
// the record of the new size. Starts run up to size - 15.
void RewriteResolutionRecords(unsigned char* bytes, size_t size, unsigned int oldWidth,
                              unsigned int oldHeight, unsigned int newWidth, unsigned int newHeight);

// The converter's refusal of any other size, listing the sizes it accepts.
extern const char UnsupportedResolutionText[];

// True when both are among the sizes the converter accepts.
bool IsSupportedResolution(unsigned int width, unsigned int height);
