#include "demo/demo_patterns.h"

#include <string.h>

const ResolutionSignature ResolutionSignatures[RESOLUTION_ROW_COUNT] = {
    {{0x00, 0x05, 0x00, 0x00, 0xC0, 0x03}, "1280", "960"},
    {{0x80, 0x04, 0x00, 0x00, 0x60, 0x03}, "1152", "864"},
    {{0x20, 0x03, 0x00, 0x00, 0x58, 0x02}, "800", "600"},
    {{0x80, 0x02, 0x00, 0x00, 0xE0, 0x01}, "640", "480"},
    {{0x00, 0x02, 0x00, 0x00, 0x80, 0x01}, "512", "384"},
    {{0xE0, 0x01, 0x00, 0x00, 0x68, 0x01}, "480", "360"},
    {{0x90, 0x01, 0x00, 0x00, 0x2C, 0x01}, "400", "300"},
};

const unsigned char FallbackSignature[SIGNATURE_SIZE] = {0x00, 0x04, 0x00, 0x00, 0x00, 0x03};
const unsigned char HltvMarker[SIGNATURE_SIZE] = {0x00, 0x08, 'H', 'L', 'T', 'V'};
const unsigned char PlayerInfoMarker[SIGNATURE_SIZE] = {0x09, 'f', 'u', 'l', 'l', 's'};

size_t ScanPositionCount(size_t size)
{
    return size < SIGNATURE_SIZE + 1 ? 0 : size - SIGNATURE_SIZE;
}

void MakeResolutionRecord(unsigned int width, unsigned int height, unsigned char* record)
{
    memset(record, 0, RECORD_SIZE);
    record[8] = (unsigned char)width;
    record[9] = (unsigned char)(width >> 8);
    record[12] = (unsigned char)height;
    record[13] = (unsigned char)(height >> 8);
}
