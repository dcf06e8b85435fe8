#pragma once
// Helpers for the structure-layer tests: generated demos, single-field
// patches, and the structure read from a buffer.

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "demo/demo_structure.h"
#include "shared/text.h"
#include "tools/structured_demo.h"

typedef std::vector<unsigned char> Bytes;

inline DemoStructure Structure(const Bytes& bytes)
{
    DemoStructure structure;
    ReadDemoStructure(bytes.data(), bytes.size(), &structure);
    return structure;
}

inline void Put32At(Bytes& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        bytes[at + i] = (unsigned char)(value >> (8 * i));
}

inline uint32_t Get32At(const Bytes& bytes, size_t at)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; i++)
        value |= (uint32_t)bytes[at + i] << (8 * i);
    return value;
}

inline Bytes Prefix(const Bytes& bytes, size_t size)
{
    return Bytes(bytes.begin(), bytes.begin() + (long)size);
}

inline uint32_t SumOfTypes(const DemoSegment& segment)
{
    uint32_t sum = 0;
    for (uint32_t count : segment.framesByType)
        sum += count;
    return sum;
}

// The layout's frame index of the n-th frame of the given type (from 0).
inline size_t NthFrame(const StructuredDemoLayout& layout, int type, size_t n)
{
    for (size_t i = 0; i < layout.frames.size(); i++) {
        if (layout.frameTypes[i] == type && n-- == 0)
            return i;
    }
    ADD_FAILURE() << "no frame " << n << " of type " << type;
    return 0;
}

inline StructuredChat Chat(const char* key, const char* text, bool late = false, int sender = 1)
{
    StructuredChat chat;
    chat.key = key;
    chat.text = text;
    chat.late = late;
    chat.sender = sender;
    return chat;
}

template <size_t N>
inline void CopyTextForTest(char (&dest)[N], const char* src)
{
    (void)CopyText(dest, N, src);
}
