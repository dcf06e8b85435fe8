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

// One step of the scan from position i.
static size_t Step(unsigned char* bytes, size_t size, size_t i, unsigned int* count)
{
    return IsMessageId(bytes[i]) ? ExamineMessage(bytes, size, i, count) : i + 1;
}

// Bit k set when position at + k could start a team message: an id byte with
// "(" or "*" four bytes on.
static unsigned int CandidateBits(const unsigned char* at)
{
    ByteVector id = LoadBytes(at);
    ByteVector text = LoadBytes(at + 4);
    return LaneBits(BothLanes(EitherLanes(EqualLanes(id, 0x4A), EqualLanes(id, 0x4C)),
                              EitherLanes(EqualLanes(text, '('), EqualLanes(text, '*'))));
}

// The first position at or after from that could start a team message, or
// size. A team message has at least eight bytes.
static size_t FindCandidate(const unsigned char* bytes, size_t size, size_t from)
{
    if (size < 8)
        return size;
    size_t last = size - 8;
    size_t i = from;
    // Two vectors read up to byte i + 35, inside the demo while i + 32 <= size - 4.
    for (; i + 2 * VECTOR_SIZE <= last + 4; i += 2 * VECTOR_SIZE) {
        unsigned int bits = CandidateBits(bytes + i) | CandidateBits(bytes + i + VECTOR_SIZE) << 16;
        if (bits)
            return i + LowestBit(bits);
    }
    for (; i <= last; i++) {
        if (IsMessageId(bytes[i]) && (bytes[i + 4] == '(' || bytes[i + 4] == '*'))
            return i;
    }
    return size;
}

// A position the scan certainly reaches, at most j and at least next (which
// it reaches): the scan moves by one or five bytes until it blanks something,
// so it cannot pass over the byte that follows four bytes that are no ids.
static size_t SurePosition(const unsigned char* bytes, size_t next, size_t j)
{
    size_t quiet = 0;
    for (size_t p = j; p > next; p--) {
        if (IsMessageId(bytes[p - 1]))
            quiet = 0;
        else if (++quiet == 4)
            return p + 3;
    }
    return next;
}

// Only a position with an id byte and "(" or "*" four bytes on can be
// blanked, so the scan is replayed step by step only in the few bytes before
// each such position, from a position it is sure to reach; elsewhere its
// steps change nothing and are passed over.
unsigned int BlankTeamMessages(unsigned char* bytes, size_t size)
{
    unsigned int count = 0;
    size_t next = 0;   // a position the scan reaches
    for (;;) {
        size_t candidate = FindCandidate(bytes, size, next);
        if (candidate >= size)
            break;
        size_t i = SurePosition(bytes, next, candidate);
        while (i < candidate)
            i = Step(bytes, size, i, &count);
        if (i == candidate)
            i = Step(bytes, size, i, &count);
        next = i;
    }
    return count;
}
