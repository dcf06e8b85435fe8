#include "bench/demo_like_buffer.h"

#include <string.h>

#include <random>
#include <string>

#include "tools/sample_demo.h"

static const size_t PLANT_SPACING = 4u << 20;
static const unsigned char Record800x600[14] = {0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x03, 0, 0, 0x58, 0x02};
static const unsigned char TeamMessage[] = {0x4C, 0x10, 0x01, 0x02, '(', 'T', 'e', 'r', 'r', 'o',
                                            'r', 'i', 's', 't', ')', ' ', 'g', 'o', 0};

static size_t fillerStart = 0;

static const char* const ConsoleLines[] = {
    "sv_gravity 800; echo frame; ", "cl_updaterate 101\n", "say gg wp\n",
    "ambience/wind1.wav\n", "models/player/gign/gign.mdl", "#Cstrike_Chat_All\n",
    "sprites/muzzleflash1.spr", "maps/de_dust2.bsp", "Player joined the game\n",
};

static void AppendFiller(std::vector<unsigned char>& out, size_t size, std::mt19937& random)
{
    while (out.size() < size) {
        size_t left = size - out.size();
        size_t length = 0;
        switch (random() % 4) {
        case 0: // a zero run
            length = 64 + random() % 4096;
            if (length > left)
                length = left;
            out.insert(out.end(), length, 0);
            break;
        case 1: { // console text
            length = 32 + random() % 1024;
            for (size_t i = 0; i < length && out.size() < size; ) {
                const char* line = ConsoleLines[random() % (sizeof ConsoleLines / sizeof ConsoleLines[0])];
                size_t count = strlen(line);
                for (size_t k = 0; k < count && out.size() < size; k++, i++)
                    out.push_back((unsigned char)line[k]);
            }
            break;
        }
        case 2: // small little-endian integers, as in entity updates
            length = 64 + random() % 1024;
            for (size_t i = 0; i < length && out.size() < size; i++) {
                unsigned value = random() % 2048;
                if ((value & 0xFF) == DEMO_LIKE_ABSENT_BYTE)
                    value--;
                out.push_back((unsigned char)value);
                if (out.size() < size)
                    out.push_back((unsigned char)(value >> 8));
            }
            break;
        default: // random bytes, never the absent byte
            length = 16 + random() % 2048;
            for (size_t i = 0; i < length && out.size() < size; i++)
                out.push_back((unsigned char)(random() % DEMO_LIKE_ABSENT_BYTE));
            break;
        }
    }
}

static bool StartsWith(const unsigned char* at, const unsigned char* pattern, size_t length)
{
    return memcmp(at, pattern, length) == 0;
}

// Breaks any pattern the filler made by chance, so the buffer without planted
// patterns is the scans' worst case: nothing found, every pass to the end.
static void Scrub(std::vector<unsigned char>& bytes, size_t from)
{
    static const unsigned char Signatures[][6] = {
        {0x00, 0x05, 0x00, 0x00, 0xC0, 0x03}, {0x80, 0x04, 0x00, 0x00, 0x60, 0x03},
        {0x20, 0x03, 0x00, 0x00, 0x58, 0x02}, {0x80, 0x02, 0x00, 0x00, 0xE0, 0x01},
        {0x00, 0x02, 0x00, 0x00, 0x80, 0x01}, {0xE0, 0x01, 0x00, 0x00, 0x68, 0x01},
        {0x90, 0x01, 0x00, 0x00, 0x2C, 0x01}, {0x00, 0x04, 0x00, 0x00, 0x00, 0x03},
        {0x00, 0x08, 'H', 'L', 'T', 'V'}, {0x09, 'f', 'u', 'l', 'l', 's'},
    };
    for (size_t p = from; p + 8 <= bytes.size(); p++) {
        unsigned char* at = &bytes[p];
        bool hit = false;
        if (at[2] == 0 && at[3] == 0) {
            for (const unsigned char* signature : Signatures)
                hit = hit || StartsWith(at, signature, 6);
        }
        hit = hit || StartsWith(at, Signatures[8], 6) || StartsWith(at, Signatures[9], 6);
        hit = hit || ((at[0] == '(' || at[0] == '*') &&
                      (StartsWith(at, (const unsigned char*)"(Ter", 4) ||
                       StartsWith(at, (const unsigned char*)"(Cou", 4) ||
                       StartsWith(at, (const unsigned char*)"*DEA", 4)));
        if (hit)
            at[1] = 0x7F;
    }
}

std::vector<unsigned char>& DemoLikeBuffer(size_t size)
{
    static std::vector<unsigned char> bytes;
    if (!bytes.empty())
        return bytes;
    SampleDemoSpec spec;
    spec.networkProtocol = 48;
    spec.playerNames = {"Rookie", "Sniper", "ROOKIE"};
    bytes = BuildSampleDemo(spec);
    fillerStart = bytes.size();
    bytes.reserve(size);
    std::mt19937 random(1998);
    AppendFiller(bytes, size, random);
    Scrub(bytes, fillerStart > 8 ? fillerStart - 8 : 0);
    return bytes;
}

void PlantPatterns(std::vector<unsigned char>& bytes, bool present)
{
    size_t early = fillerStart + 64;
    for (size_t at = early; at + 64 <= bytes.size(); at += PLANT_SPACING) {
        if (present)
            memcpy(&bytes[at], Record800x600, sizeof Record800x600);
        else
            memset(&bytes[at], 0, sizeof Record800x600);
        size_t message = at + PLANT_SPACING / 2;
        if (message + sizeof TeamMessage > bytes.size())
            continue;
        if (present)
            memcpy(&bytes[message], TeamMessage, sizeof TeamMessage);
        else
            memset(&bytes[message], 0, sizeof TeamMessage);
    }
}

size_t DemoLikeFillerStart()
{
    return fillerStart;
}
