#include "demo/team_messages.h"

#include <string.h>

#include "demo/byte_vectors.h"

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

static bool IsMessageId(unsigned char c)
{
    return c == 0x4A || c == 0x4C;
}

// The first id byte at or after i, or size. Every byte passed over would only
// have moved the scan on by one.
static size_t FindMessageId(const unsigned char* bytes, size_t size, size_t i)
{
    for (; i + VECTOR_SIZE <= size; i += VECTOR_SIZE) {
        ByteVector v = LoadBytes(bytes + i);
        unsigned int bits = LaneBits(EitherLanes(EqualLanes(v, 0x4A), EqualLanes(v, 0x4C)));
        if (bits)
            return i + LowestBit(bits);
    }
    for (; i < size && !IsMessageId(bytes[i]); i++) {
    }
    return i;
}

unsigned int BlankTeamMessages(unsigned char* bytes, size_t size)
{
    unsigned int count = 0;
    size_t i = FindMessageId(bytes, size, 0);
    while (i < size) {
        size_t length = i + 1 < size ? bytes[i + 1] : 0;
        size_t next;
        if (length <= 2 || i + length + 2 > size) {
            next = i + 1;
        } else if (bytes[i + 4] != '*' && bytes[i + 4] != '(') {
            // A candidate that is not team chat hides its next four bytes.
            next = i + 5;
        } else if (length < 6 || !IsTeamText(bytes + i + 4)) {
            next = i + 5;
        } else {
            bytes[i] = 0x4B;
            bytes[i + 2] = 0x02;
            bytes[i + 3] = 0x00;
            memset(bytes + i + 4, 0, length - 2);
            count++;
            next = i + length + 2;
        }
        i = next < size ? FindMessageId(bytes, size, next) : size;
    }
    return count;
}
