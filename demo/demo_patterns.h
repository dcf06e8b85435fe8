#pragma once
// The byte patterns a demo is searched for: what the fast scans and the
// literal reference scans share.

#include <stddef.h>

enum {
    SIGNATURE_SIZE = 6,         // every searched pattern is six bytes
    RESOLUTION_ROW_COUNT = 7,
    RECORD_SIZE = 14            // a resolution record
};

// The bytes a player-info marker opens, itself included.
const size_t PLAYER_WINDOW_SIZE = 4096;

struct ResolutionSignature {
    unsigned char bytes[SIGNATURE_SIZE];
    const char* width;
    const char* height;
};

// Tested in row order at each position; the fallback (1024x768) only when no
// row occurs anywhere.
extern const ResolutionSignature ResolutionSignatures[RESOLUTION_ROW_COUNT];
extern const unsigned char FallbackSignature[SIGNATURE_SIZE];
extern const unsigned char HltvMarker[SIGNATURE_SIZE];
extern const unsigned char PlayerInfoMarker[SIGNATURE_SIZE];

// Positions 0 to size - 7: the last six bytes never start a match.
size_t ScanPositionCount(size_t size);

// The 14-byte resolution record of a size: 8 zero bytes, the width's low 16
// bits, 2 zero bytes, the height's low 16 bits.
void MakeResolutionRecord(unsigned int width, unsigned int height, unsigned char* record);
