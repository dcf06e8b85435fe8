#include "demo/team_messages.h"

#include <stdint.h>
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

enum { BLOCK_SIZE = 4 * VECTOR_SIZE };

// Bit k set when bytes[from + k] is an id byte, for the block from .. end
// (at most 64 bytes).
static uint64_t MessageIdBits(const unsigned char* bytes, size_t from, size_t end)
{
    uint64_t bits = 0;
    if (end - from == BLOCK_SIZE) {
        for (int k = 0; k < 4; k++) {
            ByteVector v = LoadBytes(bytes + from + k * VECTOR_SIZE);
            bits |= (uint64_t)LaneBits(EitherLanes(EqualLanes(v, 0x4A), EqualLanes(v, 0x4C)))
                    << (k * VECTOR_SIZE);
        }
        return bits;
    }
    for (size_t k = 0; from + k < end; k++) {
        if (IsMessageId(bytes[from + k]))
            bits |= (uint64_t)1 << k;
    }
    return bits;
}

// Tests the candidate whose id byte is at i, blanks it when it is team chat,
// and gives the position the scan goes on at.
static size_t ExamineMessage(unsigned char* bytes, size_t size, size_t i, unsigned int* count)
{
    size_t length = i + 1 < size ? bytes[i + 1] : 0;
    if (length <= 2 || i + length + 2 > size)
        return i + 1;
    // A candidate that is not team chat hides its next four bytes.
    if (bytes[i + 4] != '*' && bytes[i + 4] != '(')
        return i + 5;
    if (length < 6 || !IsTeamText(bytes + i + 4))
        return i + 5;
    bytes[i] = 0x4B;
    bytes[i + 2] = 0x02;
    bytes[i + 3] = 0x00;
    memset(bytes + i + 4, 0, length - 2);
    (*count)++;
    return i + length + 2;
}

// Bytes that are no id only move the scan on by one, so the scan jumps from
// id byte to id byte; blanking changes nothing at or after the position the
// scan goes on at, so a block's id bits stay true past a blanked message.
unsigned int BlankTeamMessages(unsigned char* bytes, size_t size)
{
    unsigned int count = 0;
    size_t i = 0;
    while (i < size) {
        size_t end = size - i >= BLOCK_SIZE ? i + BLOCK_SIZE : size;
        uint64_t bits = MessageIdBits(bytes, i, end);
        size_t next = i;
        for (; bits; bits &= bits - 1) {
            size_t at = i + LowestBit64(bits);
            if (at >= next)
                next = ExamineMessage(bytes, size, at, &count);
        }
        i = next > end ? next : end;
    }
    return count;
}
