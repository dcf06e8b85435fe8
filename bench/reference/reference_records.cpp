#include "bench/reference/reference_scans.h"

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

// Each start compares the bytes as earlier replacements left them.
void ReferenceRewriteResolutionRecords(unsigned char* bytes, size_t size, unsigned int oldWidth,
                                       unsigned int oldHeight, unsigned int newWidth,
                                       unsigned int newHeight)
{
    unsigned char pattern[RECORD_SIZE];
    unsigned char replacement[RECORD_SIZE];
    MakeRecord(oldWidth, oldHeight, pattern);
    MakeRecord(newWidth, newHeight, replacement);
    for (size_t i = 0; i + 15 <= size; i++) {
        bool equal = true;
        for (size_t k = 0; k < RECORD_SIZE; k++) {
            if (bytes[i + k] != pattern[k]) {
                equal = false;
                break;
            }
        }
        if (equal) {
            for (size_t k = 0; k < RECORD_SIZE; k++)
                bytes[i + k] = replacement[k];
        }
    }
}
