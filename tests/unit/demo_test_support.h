#pragma once
// Helpers for the demo scan tests: buffers with patterns at chosen offsets,
// and an inspection that also runs the literal reference and insists on the
// same record.

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "tests/reference/reference_scans.h"
#include "demo/analysis.h"
#include "tests/support/demo_corpus.h"

typedef std::vector<unsigned char> Bytes;

// A filler byte that no searched pattern holds; in a player-info window it
// is a delimiter, so it ends whatever token the test put before it.
enum { NEUTRAL_BYTE = '\n' };

inline Bytes Neutral(size_t size)
{
    return Bytes(size, NEUTRAL_BYTE);
}

inline Bytes Concat(std::initializer_list<Bytes> parts)
{
    size_t total = 0;
    for (const Bytes& part : parts)
        total += part.size();
    Bytes joined(total);
    size_t at = 0;
    for (const Bytes& part : parts) {
        if (!part.empty())
            memcpy(&joined[at], part.data(), part.size());
        at += part.size();
    }
    return joined;
}

inline void Put(Bytes& bytes, size_t at, const Bytes& part)
{
    memcpy(&bytes[at], part.data(), part.size());
}

inline void PutText(Bytes& bytes, size_t at, const std::string& text)
{
    memcpy(&bytes[at], text.data(), text.size());
}

inline Bytes Signature(unsigned width, unsigned height)
{
    return {(unsigned char)width, (unsigned char)(width >> 8), 0, 0, (unsigned char)height,
            (unsigned char)(height >> 8)};
}

inline const Bytes& HltvMarker()
{
    static const Bytes marker = {0x00, 0x08, 'H', 'L', 'T', 'V'};
    return marker;
}

inline Bytes PlayerInfo(const std::string& text)
{
    std::string window = "\x09" "fulls" + text;
    return Bytes(window.begin(), window.end());
}

inline DemoInspection Inspect(const Bytes& bytes, const char* programDir = "C:\\Flickbox")
{
    DemoInspection fast, reference;
    AnalyseDemo(bytes.data(), bytes.size(), "800", "600", programDir, &fast);
    ReferenceAnalyseDemo(bytes.data(), bytes.size(), "800", "600", programDir, &reference);
    EXPECT_TRUE(SameInspection(fast, reference)) << "fast and reference inspections differ";
    return fast;
}

inline std::vector<std::string> Names(const DemoInspection& inspection)
{
    std::vector<std::string> names;
    for (const PlayerName& name : inspection.playerNames)
        names.push_back(name.text);
    return names;
}

inline std::string Resolution(const DemoInspection& inspection)
{
    return std::string(inspection.demoWidth) + "x" + inspection.demoHeight;
}

// The whole of a real demo from the corpus folder; empty when missing.
inline Bytes ReadRealDemo(const char* name)
{
    std::string path = DemoCorpusPath(name);
    Bytes bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    if (fseek(file, 0, SEEK_END) == 0) {
        long size = ftell(file);
        if (size > 0 && fseek(file, 0, SEEK_SET) == 0) {
            bytes.resize((size_t)size);
            if (fread(bytes.data(), 1, bytes.size(), file) != bytes.size())
                bytes.clear();
        }
    }
    fclose(file);
    return bytes;
}
