// Writes a synthetic demo file.
//   make_sample_demo OUT.dem [--map NAME] [--mod DIR] [--magic TEXT]
//       [--demo-protocol N] [--net N] [--res WxH] [--hltv]
//       [--player NAME]... [--teamsay TEXT]... [--filler BYTES]

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tools/sample_demo.h"

static int Usage()
{
    fprintf(stderr,
            "usage: make_sample_demo OUT.dem [--map NAME] [--mod DIR] [--magic TEXT]\n"
            "       [--demo-protocol N] [--net N] [--res WxH] [--hltv]\n"
            "       [--player NAME]... [--teamsay TEXT]... [--filler BYTES]\n");
    return 2;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    SampleDemoSpec spec;
    for (int i = 2; i < argc; i++) {
        const char* option = argv[i];
        if (strcmp(option, "--hltv") == 0) {
            spec.hltv = true;
            continue;
        }
        if (i + 1 >= argc)
            return Usage();
        const char* value = argv[++i];
        if (strcmp(option, "--map") == 0)
            spec.mapName = value;
        else if (strcmp(option, "--mod") == 0)
            spec.gameDir = value;
        else if (strcmp(option, "--magic") == 0)
            spec.magic = value;
        else if (strcmp(option, "--demo-protocol") == 0)
            spec.demoProtocol = atoi(value);
        else if (strcmp(option, "--net") == 0)
            spec.networkProtocol = atoi(value);
        else if (strcmp(option, "--res") == 0) {
            if (sscanf(value, "%ux%u", &spec.width, &spec.height) != 2)
                return Usage();
        } else if (strcmp(option, "--player") == 0)
            spec.playerNames.push_back(value);
        else if (strcmp(option, "--teamsay") == 0)
            spec.teamMessages.push_back(value);
        else if (strcmp(option, "--filler") == 0)
            spec.fillerBytes = (size_t)strtoul(value, NULL, 10);
        else
            return Usage();
    }
    if (!WriteSampleDemo(argv[1], spec)) {
        fprintf(stderr, "make_sample_demo: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
