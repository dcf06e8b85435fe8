#include "demo/resolution_records.h"

#include <string.h>

#include "demo/byte_vectors.h"
#include "demo/demo_patterns.h"

// Lanes k = 0..15 stand for starts i + k: set where the width and height
// bytes are those of the pattern. The zero bytes are left to the exact test:
// zeros are too common in a demo to sift anything out.
static unsigned int CandidateBits(const unsigned char* at, const unsigned char* pattern)
{
    return LaneBits(BothLanes(BothLanes(EqualLanes(LoadBytes(at + 8), pattern[8]),
                                        EqualLanes(LoadBytes(at + 9), pattern[9])),
                              BothLanes(EqualLanes(LoadBytes(at + 12), pattern[12]),
                                        EqualLanes(LoadBytes(at + 13), pattern[13]))));
}

void RewriteResolutionRecords(unsigned char* bytes, size_t size, unsigned int oldWidth,
                              unsigned int oldHeight, unsigned int newWidth, unsigned int newHeight)
{
    unsigned char pattern[RECORD_SIZE];
    unsigned char replacement[RECORD_SIZE];
    MakeResolutionRecord(oldWidth, oldHeight, pattern);
    MakeResolutionRecord(newWidth, newHeight, replacement);
    // The last start is size - 15: a record ending at the last byte is kept.
    if (size < RECORD_SIZE + 1)
        return;
    size_t starts = size - RECORD_SIZE;
    size_t i = 0;
    while (i < starts) {
        size_t match = starts;
        // Two vectors read up to byte i + 44, inside the file while i + 32 <= size - 14.
        for (; i + 2 * VECTOR_SIZE <= starts && match == starts; i += 2 * VECTOR_SIZE) {
            unsigned int bits = CandidateBits(bytes + i, pattern) |
                                CandidateBits(bytes + i + VECTOR_SIZE, pattern) << 16;
            for (; bits; bits &= bits - 1) {
                size_t candidate = i + LowestBit(bits);
                if (memcmp(bytes + candidate, pattern, RECORD_SIZE) == 0) {
                    match = candidate;
                    break;
                }
            }
        }
        if (match == starts) {
            for (; i < starts && memcmp(bytes + i, pattern, RECORD_SIZE) != 0; i++) {
            }
            match = i;
            if (match == starts)
                break;
        }
        // A replacement changes the bytes the next 13 starts compare, so those
        // are tested one by one on the changed bytes; from 14 on, the bytes
        // are untouched and the vector search takes over again.
        memcpy(bytes + match, replacement, RECORD_SIZE);
        size_t settled = match + RECORD_SIZE;
        for (i = match + 1; i < settled && i < starts; i++) {
            if (memcmp(bytes + i, pattern, RECORD_SIZE) == 0) {
                memcpy(bytes + i, replacement, RECORD_SIZE);
                settled = i + RECORD_SIZE;
            }
        }
    }
}

const char UnsupportedResolutionText[] =
    "Wrong resolution. Available resolutions are:\n1280x960\n1152x864\n1024x768\n800x600\n"
    "640x480\n512x384\n480x360\n400x300";

bool IsSupportedResolution(unsigned int width, unsigned int height)
{
    static const unsigned int SupportedWidths[] = {1280, 1152, 1024, 800, 640, 512, 480, 400};
    static const unsigned int SupportedHeights[] = {960, 864, 768, 600, 480, 384, 360, 300};
    bool widthFits = false;
    bool heightFits = false;
    for (unsigned int supported : SupportedWidths)
        widthFits = widthFits || width == supported;
    for (unsigned int supported : SupportedHeights)
        heightFits = heightFits || height == supported;
    return widthFits && heightFits;
}
