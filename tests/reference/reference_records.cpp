#include "tests/reference/reference_scans.h"

#include <string.h>

#include "demo/demo_patterns.h"

// Each start compares the bytes as earlier replacements left them.
void ReferenceRewriteResolutionRecords(unsigned char* bytes, size_t size, unsigned int oldWidth,
                                       unsigned int oldHeight, unsigned int newWidth,
                                       unsigned int newHeight)
{
    unsigned char pattern[RECORD_SIZE];
    unsigned char replacement[RECORD_SIZE];
    MakeResolutionRecord(oldWidth, oldHeight, pattern);
    MakeResolutionRecord(newWidth, newHeight, replacement);
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
