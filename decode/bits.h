#pragma once
// Bit streams as the engine packs them inside net messages: bits from the
// lowest of a byte to its highest, bytes in increasing order; an n-bit value's
// first bit is its least significant. The reader and the writer of each form
// sit side by side. Pure: no windows.h.
//
// The reader is one cursor with a sticky failure: a read past the end yields
// zeros, moves the cursor to the end and clears ok, so a message is read
// straight through and ok is checked once at its end.

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

struct BitReader {
    const unsigned char* bytes;
    size_t size;                   // bytes
    size_t pos;                    // bit position from bytes[0]
    bool ok;
};

// A reader over bytes[0, size) starting at bit 8 * byteAt.
void StartBitReader(BitReader* reader, const unsigned char* bytes, size_t size, size_t byteAt);

// n = 0..32 bits as an unsigned value. Peek reads without moving (0 when
// fewer bits are left). Inline: every field of every message comes here.
static inline uint32_t PeekBits(const BitReader* reader, int count);
static inline uint32_t ReadBits(BitReader* reader, int count);
// One sign bit, then count - 1 bits of magnitude (sign and magnitude, so -0
// reads as 0). count 0 reads nothing.
static inline int32_t ReadSignedBits(BitReader* reader, int count);
// Flags "has integer", "has fraction"; when either, a sign bit, 12 bits of
// integer and 3 bits of eighths as flagged.
float ReadBitCoord(BitReader* reader);
// Flags for x, y, z, then a coordinate for each flagged axis (others 0).
void ReadBitVector(BitReader* reader, float vector[3]);
// count bits as a fraction of 360 degrees.
float ReadBitAngle(BitReader* reader, int count);
// 8-bit characters up to and including a NUL, always read through the NUL;
// dest keeps what fits, terminated. False when the text did not fit (or the
// stream ended first, which also clears ok). dest may be NULL (size 0) to skip.
bool ReadBitString(BitReader* reader, char* dest, size_t size);
// count whole 8-bit values at any bit position.
void ReadBitBytes(BitReader* reader, unsigned char* dest, size_t count);
// The byte where whole-byte reading resumes after a bit-packed message whose
// bits started at byte startByte: the next whole byte, and at least one byte
// past startByte.
size_t EndBitReading(const BitReader* reader, size_t startByte);

// A writer appending to a byte vector; its first bit is the lowest bit of a
// new byte after the vector's current end.
struct BitWriter {
    std::vector<unsigned char>* out;
    size_t pos;                    // bit position from (*out)[0]
    size_t startByte;              // where this bit-packed part began
};

void StartBitWriter(BitWriter* writer, std::vector<unsigned char>* out);
// A value that does not fit in count bits is written as all ones, as the
// engine's writer clamps it.
void WriteBits(BitWriter* writer, uint32_t value, int count);
// Sign bit, then count - 1 bits of magnitude, clamped to +-(2^(count-1) - 1).
void WriteSignedBits(BitWriter* writer, int32_t value, int count);
// The engine's coordinate: whole units and eighths, each flagged only when
// non-zero, so a value written reads back rounded toward zero to 1/8.
void WriteBitCoord(BitWriter* writer, float value);
void WriteBitVector(BitWriter* writer, const float vector[3]);
// The angle modulo 360 degrees, in count bits.
void WriteBitAngle(BitWriter* writer, float degrees, int count);
void WriteBitString(BitWriter* writer, const char* text);   // with its NUL
void WriteBitBytes(BitWriter* writer, const unsigned char* bytes, size_t count);
// Pads to the next whole byte with zero bits; writes one zero byte when the
// part wrote nothing at all, as a bit-packed message takes at least one.
void EndBitWriting(BitWriter* writer);

// Eight bytes from at as one little-endian word; bytes past size read as 0.
static inline uint64_t LoadBitWord(const unsigned char* bytes, size_t size, size_t at)
{
    uint64_t word = 0;
    if (at + 8 <= size) {
        memcpy(&word, bytes + at, 8);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        word = __builtin_bswap64(word);
#endif
        return word;
    }
    for (size_t i = 0; at + i < size && i < 8; i++)
        word |= (uint64_t)bytes[at + i] << (8 * i);
    return word;
}

static inline uint32_t PeekBits(const BitReader* reader, int count)
{
    if (count <= 0 || count > 32 || reader->pos + (size_t)count > reader->size * 8)
        return 0;
    uint64_t word = LoadBitWord(reader->bytes, reader->size, reader->pos >> 3) >> (reader->pos & 7);
    return (uint32_t)(word & ((1ull << count) - 1));
}

static inline uint32_t ReadBits(BitReader* reader, int count)
{
    if ((unsigned)(count - 1) >= 32 || reader->pos + (size_t)count > reader->size * 8) {
        if (count != 0) {
            reader->ok = false;
            reader->pos = reader->size * 8;
        }
        return 0;
    }
    uint64_t word = LoadBitWord(reader->bytes, reader->size, reader->pos >> 3) >> (reader->pos & 7);
    reader->pos += (size_t)count;
    return (uint32_t)(word & ((1ull << count) - 1));
}

static inline int32_t ReadSignedBits(BitReader* reader, int count)
{
    if (count <= 0)
        return 0;
    // The sign is the first bit read, so the lowest of the value.
    uint32_t value = ReadBits(reader, count);
    int32_t magnitude = (int32_t)(value >> 1);
    return value & 1 ? -magnitude : magnitude;
}
