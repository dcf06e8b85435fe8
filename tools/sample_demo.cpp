#include "tools/sample_demo.h"

#include <stdio.h>
#include <string.h>

enum { HEADER_SIZE = 544, MAP_OFFSET = 16, GAME_DIR_OFFSET = 276, FIELD_SIZE = 260 };

static void PutLong(std::vector<unsigned char>& out, size_t at, unsigned value)
{
    for (int i = 0; i < 4; i++)
        out[at + i] = (unsigned char)(value >> (8 * i));
}

static void PutText(std::vector<unsigned char>& out, size_t at, const std::string& text, size_t width)
{
    memcpy(&out[at], text.data(), text.size() < width ? text.size() : width);
}

static void Append(std::vector<unsigned char>& out, const void* bytes, size_t count)
{
    const unsigned char* b = (const unsigned char*)bytes;
    out.insert(out.end(), b, b + count);
}

// Frame-like filler: runs of zeros and console text, which none of the
// searched patterns can come from.
static void AppendFiller(std::vector<unsigned char>& out, size_t count)
{
    static const char text[] = "sv_gravity 800; echo frame; ";
    size_t start = out.size();
    while (out.size() - start < count) {
        size_t left = count - (out.size() - start);
        size_t zeros = left < 37 ? left : 37;
        out.insert(out.end(), zeros, 0);
        left -= zeros;
        size_t words = left < sizeof text - 1 ? left : sizeof text - 1;
        Append(out, text, words);
    }
}

std::vector<unsigned char> BuildSampleDemo(const SampleDemoSpec& spec)
{
    std::vector<unsigned char> out(HEADER_SIZE, 0);
    PutText(out, 0, spec.magic, 8);
    PutLong(out, 8, (unsigned)spec.demoProtocol);
    PutLong(out, 12, (unsigned)spec.networkProtocol);
    PutText(out, MAP_OFFSET, spec.mapName, FIELD_SIZE);
    PutText(out, GAME_DIR_OFFSET, spec.gameDir, FIELD_SIZE);

    AppendFiller(out, spec.fillerBytes);
    for (const std::string& name : spec.playerNames) {
        std::string info = "\x09" "fullserverinfo \\name\\" + name + "\\model\\gordon\\topcolor\\0";
        Append(out, info.c_str(), info.size() + 1);
        AppendFiller(out, 4200); // past the 4096-byte window of the marker
    }
    if (spec.width && spec.height) {
        unsigned char record[16] = {0};
        record[8] = (unsigned char)spec.width;
        record[9] = (unsigned char)(spec.width >> 8);
        record[12] = (unsigned char)spec.height;
        record[13] = (unsigned char)(spec.height >> 8);
        record[14] = 0x11;
        record[15] = 0x22;
        Append(out, record, sizeof record);
        AppendFiller(out, 64);
    }
    for (const std::string& text : spec.teamMessages) {
        size_t length = text.size() + 1 + 2; // payload bytes, text and its NUL
        if (length > 255)
            length = 255;
        unsigned char head[4] = {0x4C, (unsigned char)length, 0x01, 0x02};
        Append(out, head, sizeof head);
        std::vector<unsigned char> body(length - 2, 0);
        memcpy(body.data(), text.data(), text.size() < body.size() ? text.size() : body.size());
        Append(out, body.data(), body.size());
        AppendFiller(out, 32);
    }
    if (spec.hltv) {
        static const unsigned char marker[] = {0x00, 0x08, 'H', 'L', 'T', 'V', ' ', 'D', 'e', 'm', 'o'};
        Append(out, marker, sizeof marker);
    }
    AppendFiller(out, spec.fillerBytes);
    return out;
}

bool WriteSampleDemo(const char* path, const SampleDemoSpec& spec)
{
    std::vector<unsigned char> bytes = BuildSampleDemo(spec);
    FILE* file = fopen(path, "wb");
    if (!file)
        return false;
    bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && written;
}
