#include "demo/resolution_records.h"

#include <string.h>

enum { RECORD_SIZE = 14 };

static void MakeRecord(unsigned int width, unsigned int height, unsigned char* record)
{
    memset(record, 0, RECORD_SIZE);
    record[8] = (unsigned char)width;
    record[9] = (unsigned char)(width >> 8);
    record[12] = (unsigned char)height;
    record[13] = (unsigned char)(height >> 8);
}

void RewriteResolutionRecords(unsigned char* bytes, size_t size, unsigned int oldWidth,
                              unsigned int oldHeight, unsigned int newWidth, unsigned int newHeight)
{
    unsigned char pattern[RECORD_SIZE];
    unsigned char replacement[RECORD_SIZE];
    MakeRecord(oldWidth, oldHeight, pattern);
    MakeRecord(newWidth, newHeight, replacement);
    // The last start is size - 15: a record ending at the last byte is kept.
    for (size_t i = 0; i + RECORD_SIZE + 1 <= size; i++) {
        if (memcmp(bytes + i, pattern, RECORD_SIZE) == 0)
            memcpy(bytes + i, replacement, RECORD_SIZE);
    }
}

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
