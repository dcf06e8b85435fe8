#pragma once
// Little-endian fields of demo files, read and written byte by byte so the
// code does not depend on the host's order or alignment. Callers check bounds.

#include <stdint.h>
#include <string.h>

static inline uint32_t ReadU32(const unsigned char* at)
{
    return (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
}

static inline int32_t ReadI32(const unsigned char* at)
{
    return (int32_t)ReadU32(at);
}

static inline float ReadF32(const unsigned char* at)
{
    uint32_t bits = ReadU32(at);
    float value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

static inline void PutU32(unsigned char* at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        at[i] = (unsigned char)(value >> (8 * i));
}

static inline void PutF32(unsigned char* at, float value)
{
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    PutU32(at, bits);
}
