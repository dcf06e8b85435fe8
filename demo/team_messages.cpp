#include "demo/team_messages.h"

#include <string.h>

static const char* const TeamMessagePrefixes[] = {
    "(Terrorist)", "(Counter-Terrorist)", "*DEAD*(Terrorist)", "*DEAD*(CT)"};

// Only the first four characters of each prefix are compared.
static bool IsTeamText(const unsigned char* text)
{
    for (const char* prefix : TeamMessagePrefixes) {
        if (memcmp(text, prefix, 4) == 0)
            return true;
    }
    return false;
}

unsigned int BlankTeamMessages(unsigned char* bytes, size_t size)
{
    unsigned int count = 0;
    size_t i = 0;
    while (i < size) {
        if (bytes[i] != 0x4A && bytes[i] != 0x4C) {
            i++;
            continue;
        }
        if (i + 1 >= size) {
            i++;
            continue;
        }
        size_t length = bytes[i + 1];
        if (length <= 2 || i + length + 2 > size) {
            i++;
            continue;
        }
        // A candidate that is not team chat hides its next four bytes.
        if (bytes[i + 4] != '*' && bytes[i + 4] != '(') {
            i += 5;
            continue;
        }
        if (length < 6 || !IsTeamText(bytes + i + 4)) {
            i += 5;
            continue;
        }
        bytes[i] = 0x4B;
        bytes[i + 2] = 0x02;
        bytes[i + 3] = 0x00;
        memset(bytes + i + 4, 0, length - 2);
        count++;
        i += length + 2;
    }
    return count;
}
