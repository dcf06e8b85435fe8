// Writes a synthetic demo file: the pattern sample the inspector's tests use,
// or with --structured a demo with the engine's structure (see usage).

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tools/sample_demo.h"
#include "tools/structured_demo.h"

static int Usage()
{
    fprintf(stderr,
            "usage: make_sample_demo OUT.dem [--map NAME] [--mod DIR] [--magic TEXT]\n"
            "       [--demo-protocol N] [--net N] [--res WxH] [--hltv]\n"
            "       [--player NAME]... [--teamsay TEXT]... [--filler BYTES]\n"
            "   or: make_sample_demo OUT.dem --structured [--map NAME] [--mod DIR] [--magic TEXT]\n"
            "       [--demo-protocol N] [--net N] [--viewport WxH] [--loading-viewport WxH]\n"
            "       [--frames N] [--entity-bytes N] [--stacked N] [--player NAME]...\n"
            "       [--chat KEY:TEXT]... [--late-chat KEY:TEXT]... [--unfinished] [--cut N]\n"
            "\n"
            "  --structured        header, LOADING and Playback segments, directory\n"
            "  --viewport WxH      viewport of the Playback net-message frames (1920x1080)\n"
            "  --loading-viewport  viewport of the LOADING frames (0x0)\n"
            "  --frames N          Playback groups of frames of types 1,4,9,3,8,6,7 (8)\n"
            "  --entity-bytes N    N bytes of filler in place of each Playback net message's\n"
            "                      bit-packed data: sets the size, but no decoder reads it (0)\n"
            "  --stacked N         extra next-section frames closing LOADING (0)\n"
            "  --player NAME       an svc_updateuserinfo for the next slot (slot 0 first)\n"
            "  --chat KEY:TEXT     a SayText message, e.g. \"#Cstrike_Chat_T:hold B\"; an empty\n"
            "                      KEY gives the older form, e.g. \":(TEAM) bob: hi\"; sender 1\n"
            "  --late-chat KEY:TEXT the same, after the bit-packed data (the structure's pattern\n"
            "                      search finds it, a full decoder reads it)\n"
            "  --unfinished        a crashed recording: no closing frame, no directory\n"
            "  --cut N             an unfinished recording cut to its first N bytes\n");
    return 2;
}

static bool ParseSize(const char* value, int* width, int* height)
{
    return sscanf(value, "%dx%d", width, height) == 2;
}

static bool AddChat(StructuredDemoSpec* spec, const char* value, bool late)
{
    const char* colon = strchr(value, ':');
    if (!colon)
        return false;
    StructuredChat chat;
    chat.key.assign(value, (size_t)(colon - value));
    chat.text = colon + 1;
    chat.late = late;
    spec->chat.push_back(chat);
    return true;
}

// The header options both kinds of demo take; false when option is none of them.
template <typename Spec>
static bool TakeHeaderOption(Spec* spec, const char* option, const char* value)
{
    if (strcmp(option, "--map") == 0)
        spec->mapName = value;
    else if (strcmp(option, "--mod") == 0)
        spec->gameDir = value;
    else if (strcmp(option, "--magic") == 0)
        spec->magic = value;
    else if (strcmp(option, "--demo-protocol") == 0)
        spec->demoProtocol = atoi(value);
    else if (strcmp(option, "--net") == 0)
        spec->networkProtocol = atoi(value);
    else
        return false;
    return true;
}

static int WriteStructured(const char* path, int argc, char** argv)
{
    StructuredDemoSpec spec;
    for (int i = 2; i < argc; i++) {
        const char* option = argv[i];
        if (strcmp(option, "--structured") == 0)
            continue;
        if (strcmp(option, "--unfinished") == 0) {
            spec.finished = false;
            continue;
        }
        if (i + 1 >= argc)
            return Usage();
        const char* value = argv[++i];
        bool ok = true;
        if (TakeHeaderOption(&spec, option, value))
            continue;
        if (strcmp(option, "--viewport") == 0)
            ok = ParseSize(value, &spec.viewportWidth, &spec.viewportHeight);
        else if (strcmp(option, "--loading-viewport") == 0)
            ok = ParseSize(value, &spec.loadingViewportWidth, &spec.loadingViewportHeight);
        else if (strcmp(option, "--frames") == 0)
            spec.playbackGroups = atoi(value);
        else if (strcmp(option, "--entity-bytes") == 0)
            spec.entityBytes = (size_t)strtoul(value, NULL, 10);
        else if (strcmp(option, "--stacked") == 0)
            spec.stackedNextSections = atoi(value);
        else if (strcmp(option, "--player") == 0) {
            int slot = (int)spec.players.size();
            spec.players.push_back({slot, slot + 1, value});
        } else if (strcmp(option, "--chat") == 0)
            ok = AddChat(&spec, value, false);
        else if (strcmp(option, "--late-chat") == 0)
            ok = AddChat(&spec, value, true);
        else if (strcmp(option, "--cut") == 0) {
            spec.finished = false;
            spec.cutAt = (size_t)strtoull(value, NULL, 10);
        } else
            ok = false;
        if (!ok)
            return Usage();
    }
    std::vector<unsigned char> bytes = BuildStructuredDemo(spec);
    FILE* file = fopen(path, "wb");
    bool written = file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (file && fclose(file) != 0)
        written = false;
    if (!written) {
        fprintf(stderr, "make_sample_demo: could not write %s\n", path);
        return 1;
    }
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    for (int i = 2; i < argc; i++) {
        if (strcmp(argv[i], "--structured") == 0)
            return WriteStructured(argv[1], argc, argv);
    }
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
        if (TakeHeaderOption(&spec, option, value))
            continue;
        if (strcmp(option, "--res") == 0) {
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
