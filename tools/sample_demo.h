#pragma once
// Builds synthetic demo files for the tests and the run command: a header,
// filler frames, and where asked the byte patterns the inspector, the
// converter and the stripper look for. No game content is involved.

#include <stddef.h>

#include <string>
#include <vector>

struct SampleDemoSpec {
    std::string magic = "HLDEMO";      // up to 8 bytes, NUL-padded
    int demoProtocol = 5;
    int networkProtocol = 48;
    std::string mapName = "de_dust";
    std::string gameDir = "cstrike";
    // A resolution record (8 zero bytes, width u16, 00 00, height u16), which
    // also holds the inspector's signature; none when either is 0.
    unsigned width = 0;
    unsigned height = 0;
    bool hltv = false;                 // adds the HLTV marker
    std::vector<std::string> playerNames;   // each in its own player-info window
    std::vector<std::string> teamMessages;  // chat texts, e.g. "(Terrorist) hi"
    size_t fillerBytes = 4096;         // filler before and after the patterns
};

std::vector<unsigned char> BuildSampleDemo(const SampleDemoSpec& spec);

// Writes the demo to a file; false when it could not be written whole.
bool WriteSampleDemo(const char* path, const SampleDemoSpec& spec);
