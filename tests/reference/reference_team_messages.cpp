#include "tests/reference/reference_scans.h"

#include <string.h>

static const char* const TeamMessagePrefixes[] = {
    "(Terrorist)", "(Counter-Terrorist)", "*DEAD*(Terrorist)", "*DEAD*(CT)"};

unsigned int ReferenceBlankTeamMessages(unsigned char* bytes, size_t size)
{
    unsigned int count = 0;
    size_t i = 0;
    while (i < size) {
        // 1. not an id byte
        if (bytes[i] != 0x4A && bytes[i] != 0x4C) {
            i = i + 1;
            continue;
        }
        // 2. the length byte
        if (i + 1 >= size) {
            i = i + 1;
            continue;
        }
        size_t length = bytes[i + 1];
        if (length <= 2 || i + length + 2 > size) {
            i = i + 1;
            continue;
        }
        // 3. the first text byte
        if (bytes[i + 4] != '*' && bytes[i + 4] != '(') {
            i = i + 5;
            continue;
        }
        // 4. the first four text bytes against each prefix's first four
        bool team = false;
        if (length >= 6) {
            for (const char* prefix : TeamMessagePrefixes) {
                if (bytes[i + 4] == (unsigned char)prefix[0] && bytes[i + 5] == (unsigned char)prefix[1] &&
                    bytes[i + 6] == (unsigned char)prefix[2] && bytes[i + 7] == (unsigned char)prefix[3])
                    team = true;
            }
        }
        if (!team) {
            i = i + 5;
            continue;
        }
        // 5. blank it
        bytes[i] = 0x4B;
        bytes[i + 2] = 0x02;
        bytes[i + 3] = 0x00;
        for (size_t k = i + 4; k <= i + length + 1; k++)
            bytes[k] = 0x00;
        count = count + 1;
        i = i + length + 2;
    }
    return count;
}
