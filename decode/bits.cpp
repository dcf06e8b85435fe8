#include "decode/bits.h"

#include <math.h>
#include <string.h>

enum { COORD_INTEGER_BITS = 12, COORD_FRACTION_BITS = 3, COORD_EIGHTHS = 8 };

static void Fail(BitReader* reader)
{
    reader->ok = false;
    reader->pos = reader->size * 8;
}

void StartBitReader(BitReader* reader, const unsigned char* bytes, size_t size, size_t byteAt)
{
    reader->bytes = bytes;
    reader->size = size;
    reader->ok = byteAt <= size;
    reader->pos = (reader->ok ? byteAt : size) * 8;
}

float ReadBitCoord(BitReader* reader)
{
    uint32_t hasInteger = ReadBits(reader, 1);
    uint32_t hasFraction = ReadBits(reader, 1);
    if (!hasInteger && !hasFraction)
        return 0.0f;
    uint32_t negative = ReadBits(reader, 1);
    uint32_t integer = hasInteger ? ReadBits(reader, COORD_INTEGER_BITS) : 0;
    uint32_t fraction = hasFraction ? ReadBits(reader, COORD_FRACTION_BITS) : 0;
    float value = (float)integer + (float)fraction / COORD_EIGHTHS;
    return negative ? -value : value;
}

void ReadBitVector(BitReader* reader, float vector[3])
{
    uint32_t flags = ReadBits(reader, 3);
    for (int axis = 0; axis < 3; axis++)
        vector[axis] = (flags >> axis) & 1 ? ReadBitCoord(reader) : 0.0f;
}

float ReadBitAngle(BitReader* reader, int count)
{
    uint32_t value = ReadBits(reader, count);
    if (count <= 0 || count > 32)
        return 0.0f;
    return (float)((double)value * 360.0 / (double)(1ull << count));
}

bool ReadBitString(BitReader* reader, char* dest, size_t size)
{
    size_t used = 0;
    bool whole = true;
    for (;;) {
        uint32_t c = ReadBits(reader, 8);
        if (!reader->ok) {
            whole = false;
            break;
        }
        if (c == 0)
            break;
        if (used + 1 < size)
            dest[used++] = (char)c;
        else
            whole = false;
    }
    if (size > 0)
        dest[used] = '\0';
    return whole;
}

void ReadBitBytes(BitReader* reader, unsigned char* dest, size_t count)
{
    if (reader->pos + count * 8 > reader->size * 8) {
        Fail(reader);
        memset(dest, 0, count);
        return;
    }
    for (size_t i = 0; i < count; i++)
        dest[i] = (unsigned char)ReadBits(reader, 8);
}

size_t EndBitReading(const BitReader* reader, size_t startByte)
{
    size_t end = (reader->pos + 7) >> 3;
    return end > startByte ? end : startByte + 1;
}

void StartBitWriter(BitWriter* writer, std::vector<unsigned char>* out)
{
    writer->out = out;
    writer->startByte = out->size();
    writer->pos = writer->startByte * 8;
}

void WriteBits(BitWriter* writer, uint32_t value, int count)
{
    if (count <= 0)
        return;
    if (count > 32)
        count = 32;
    if (count < 32 && value >> count)
        value = (1u << count) - 1;
    size_t need = (writer->pos + (size_t)count + 7) >> 3;
    std::vector<unsigned char>& out = *writer->out;
    if (out.size() < need)
        out.resize(need, 0);
    int done = 0;
    while (done < count) {
        int bit = (int)(writer->pos & 7);
        int take = 8 - bit < count - done ? 8 - bit : count - done;
        uint32_t part = (value >> done) & ((1u << take) - 1);
        out[writer->pos >> 3] |= (unsigned char)(part << bit);
        writer->pos += (size_t)take;
        done += take;
    }
}

void WriteSignedBits(BitWriter* writer, int32_t value, int count)
{
    if (count <= 0)
        return;
    int64_t limit = ((int64_t)1 << (count - 1)) - 1;
    int64_t v = value;
    if (v > limit)
        v = limit;
    if (v < -limit)
        v = -limit;
    WriteBits(writer, v < 0 ? 1 : 0, 1);
    WriteBits(writer, (uint32_t)(v < 0 ? -v : v), count - 1);
}

// A coordinate in whole eighths, toward zero, within what 12 + 3 bits hold.
static int32_t CoordEighths(float value)
{
    const float limit = (float)((1 << (COORD_INTEGER_BITS + COORD_FRACTION_BITS)) - 1);
    float eighths = value * COORD_EIGHTHS;
    if (!(eighths > -limit))
        eighths = eighths != eighths ? 0.0f : -limit;   // NaN writes 0
    if (eighths > limit)
        eighths = limit;
    return (int32_t)eighths;
}

void WriteBitCoord(BitWriter* writer, float value)
{
    int32_t eighths = CoordEighths(value);
    uint32_t magnitude = (uint32_t)(eighths < 0 ? -eighths : eighths);
    uint32_t integer = magnitude / COORD_EIGHTHS;
    uint32_t fraction = magnitude % COORD_EIGHTHS;
    WriteBits(writer, integer != 0, 1);
    WriteBits(writer, fraction != 0, 1);
    if (magnitude == 0)
        return;
    WriteBits(writer, eighths < 0, 1);
    if (integer)
        WriteBits(writer, integer, COORD_INTEGER_BITS);
    if (fraction)
        WriteBits(writer, fraction, COORD_FRACTION_BITS);
}

void WriteBitVector(BitWriter* writer, const float vector[3])
{
    uint32_t flags = 0;
    for (int axis = 0; axis < 3; axis++) {
        // An axis whose coordinate writes no bits is left unflagged.
        if (CoordEighths(vector[axis]) != 0)
            flags |= 1u << axis;
    }
    WriteBits(writer, flags, 3);
    for (int axis = 0; axis < 3; axis++) {
        if (flags >> axis & 1)
            WriteBitCoord(writer, vector[axis]);
    }
}

void WriteBitAngle(BitWriter* writer, float degrees, int count)
{
    if (count <= 0 || count > 32)
        return;
    double turn = fmod((double)degrees, 360.0);
    if (turn != turn)
        turn = 0;
    if (turn < 0)
        turn += 360.0;
    uint64_t steps = (uint64_t)(turn * (double)(1ull << count) / 360.0);
    WriteBits(writer, (uint32_t)(steps & ((1ull << count) - 1)), count);
}

void WriteBitString(BitWriter* writer, const char* text)
{
    for (; *text; text++)
        WriteBits(writer, (unsigned char)*text, 8);
    WriteBits(writer, 0, 8);
}

void WriteBitBytes(BitWriter* writer, const unsigned char* bytes, size_t count)
{
    for (size_t i = 0; i < count; i++)
        WriteBits(writer, bytes[i], 8);
}

void EndBitWriting(BitWriter* writer)
{
    if (writer->pos == writer->startByte * 8)
        writer->out->push_back(0);
    writer->pos = writer->out->size() * 8;
    writer->startByte = writer->out->size();
}
