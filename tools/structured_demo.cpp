#include "tools/structured_demo.h"

#include <string.h>

#include "tools/structured_messages.h"

typedef std::vector<unsigned char> Bytes;

enum {
    HEADER_SIZE = 544,
    NET_INFO_SIZE = 468,          // demo info, sequence numbers, message length
    REF_PARAMS_AT = 4,            // in the demo info, after its time
    VIEWPORT_AT = REF_PARAMS_AT + 208,
    SEQUENCE_AT = 436,            // the seven netchan sequence numbers
    NEXT_SECTION = 5,
    SVC_SIGNONNUM = 25
};

std::vector<StructuredUserMessage> StructuredDemoSpec::DefaultUserMessages()
{
    // Counter-Strike's registrations in its order, with their sizes.
    static const StructuredUserMessage list[] = {
        {"ReqState", 0},    {"VoiceMask", 8},   {"CurWeapon", 3},   {"Geiger", 1},      {"Flashlight", 2},
        {"FlashBat", 1},    {"Health", 1},      {"Damage", 12},     {"Battery", 2},     {"Train", 1},
        {"HudTextPro", -1}, {"HudText", -1},    {"SayText", -1},    {"TextMsg", -1},    {"WeaponList", -1},
        {"ResetHUD", 0},    {"InitHUD", 0},     {"ViewMode", 0},    {"GameTitle", 1},   {"DeathMsg", -1},
        {"ScoreAttrib", 2}, {"ScoreInfo", 9},   {"TeamInfo", -1},   {"TeamScore", -1},  {"GameMode", 1},
        {"MOTD", -1},       {"ServerName", -1}, {"RoundTime", 2},   {"Money", 5},       {"SendAudio", -1},
    };
    return std::vector<StructuredUserMessage>(list, list + sizeof list / sizeof list[0]);
}

std::vector<StructuredEntity> StructuredDemoSpec::DefaultEntities()
{
    return {
        {33, 101, 100, 200, 10, 0, 0, -1, true},     // a step from the last player
        {34, 101, 132, 200, 10, 8, 0, -1, true},     // the next number, moving
        {35, 101, 164, 200, 10, 0, 0, -1, false},    // no baseline: sent against the one before
        {90, 102, -300, 50, 0, 0, 0, 3, true},       // goes after group 3
        {400, 103, 0, 0, 100, 4, 2, -1, true},       // far: an absolute number; comes in group 2
    };
}

static void Put32(Bytes& out, unsigned value)
{
    for (int i = 0; i < 4; i++)
        out.push_back((unsigned char)(value >> (8 * i)));
}

static void PutFloat(Bytes& out, float value)
{
    unsigned bits;
    memcpy(&bits, &value, sizeof bits);
    Put32(out, bits);
}

static void PutText(Bytes& out, const std::string& text, bool nul = true)
{
    out.insert(out.end(), text.begin(), text.end());
    if (nul)
        out.push_back(0);
}

static void PutField(Bytes& out, size_t at, const std::string& text, size_t width)
{
    memcpy(&out[at], text.data(), text.size() < width ? text.size() : width);
}

static void Set32(unsigned char* at, const void* value)
{
    memcpy(at, value, 4);
}

struct Builder {
    const StructuredDemoSpec* spec;
    Bytes out;
    StructuredDemoLayout* layout;
    int frameNumber;
    StructuredGame game;
};

static void FrameHeader(Builder* b, int type, float time)
{
    b->layout->frames.push_back(b->out.size());
    b->layout->frameTypes.push_back(type);
    b->out.push_back((unsigned char)type);
    PutFloat(b->out, time);
    Put32(b->out, (unsigned)b->frameNumber++);
}

// A net-message frame around the given message bytes, its demo info holding
// the time, the recorder's view, the viewport and the incoming sequence;
// chatAt are offsets in messages of chat id bytes, recorded as file offsets.
static void NetFrame(Builder* b, int type, float time, int width, int height, uint32_t sequence,
                     const StructuredView& view, const FrameMessages& frame,
                     const std::vector<std::pair<size_t, size_t>>& chatAt)
{
    FrameHeader(b, type, time);
    size_t info = b->out.size();
    b->out.resize(info + NET_INFO_SIZE, 0);
    unsigned char* at = &b->out[info];
    Set32(at, &time);
    for (int axis = 0; axis < 3; axis++) {
        Set32(at + REF_PARAMS_AT + 4 * axis, &view.origin[axis]);          // vieworg
        Set32(at + REF_PARAMS_AT + 12 + 4 * axis, &view.angles[axis]);     // viewangles
        Set32(at + REF_PARAMS_AT + 100 + 4 * axis, &view.origin[axis]);    // simorg
    }
    Set32(at + VIEWPORT_AT + 8, &width);
    Set32(at + VIEWPORT_AT + 12, &height);
    Set32(at + SEQUENCE_AT, &sequence);
    unsigned length = (unsigned)frame.bytes.size();
    Set32(at + NET_INFO_SIZE - 4, &length);
    size_t start = b->out.size();
    b->out.insert(b->out.end(), frame.bytes.begin(), frame.bytes.end());
    for (size_t message : frame.starts)
        b->layout->messageStarts.push_back(start + message);
    for (const auto& chat : chatAt)
        b->layout->chatOffsets[chat.first] = start + chat.second;
}

static void SimpleFrame(Builder* b, int type, float time, size_t bodySize)
{
    FrameHeader(b, type, time);
    b->out.resize(b->out.size() + bodySize, 0);
}

static void CountedFrame(Builder* b, int type, float time, const std::string& text, size_t tail)
{
    FrameHeader(b, type, time);
    if (type == 8)
        Put32(b->out, 1);   // channel
    Put32(b->out, (unsigned)text.size());
    PutText(b->out, text, false);
    b->out.resize(b->out.size() + tail, 0);
}

// LOADING: the signon messages, each frame closed by a signon step; then
// next-section frames.
static void BuildLoading(Builder* b)
{
    const StructuredDemoSpec& spec = *b->spec;
    float time = 200.0f;
    StructuredView view = GroupView(b->game, 0);
    for (int i = 0; i < b->game.loadingFrames; i++, time += 0.125f) {
        FrameMessages messages;
        PutSignonMessages(&b->game, i, &messages);
        messages.starts.push_back(messages.bytes.size());
        messages.bytes.push_back(SVC_SIGNONNUM);
        messages.bytes.push_back((unsigned char)(i + 1));
        NetFrame(b, 0, time, spec.loadingViewportWidth, spec.loadingViewportHeight, SignonSequence(b->game, i), view,
                 messages, {});
    }
    SimpleFrame(b, NEXT_SECTION, time, 0);
    // Closing frames of earlier recordings on the same connection.
    for (int i = 0; i < spec.stackedNextSections; i++)
        SimpleFrame(b, NEXT_SECTION, 10.0f + i, 0);
}

static void BuildPlayback(Builder* b)
{
    const StructuredDemoSpec& spec = *b->spec;
    b->layout->playbackOffset = b->out.size();
    b->frameNumber = 0;
    SimpleFrame(b, 2, 0, 0);
    float time = 0;
    for (int g = 0; g < b->game.groups; g++) {
        time = 0.01f * (float)(g + 1);
        FrameMessages messages;
        std::vector<std::pair<size_t, size_t>> chatAt;
        PutGroupMessages(&b->game, g, &messages, &chatAt);
        b->layout->groupFrames.push_back(b->out.size());
        NetFrame(b, 1, time, spec.viewportWidth, spec.viewportHeight, GroupSequence(b->game, g), GroupView(b->game, g),
                 messages, chatAt);
        SimpleFrame(b, 4, time, 32);
        CountedFrame(b, 9, time, std::string(4 + g % 5, 'd'), 0);
        FrameHeader(b, 3, time);
        Bytes command(64, 0);
        memcpy(command.data(), "+attack", 7);
        b->out.insert(b->out.end(), command.begin(), command.end());
        CountedFrame(b, 8, time, "weapons/ak47-1.wav", 16);
        SimpleFrame(b, 6, time, 84);
        SimpleFrame(b, 7, time, 8);
    }
    if (spec.finished)
        SimpleFrame(b, NEXT_SECTION, time, 0);
}

static void PutEntry(Bytes& out, int type, const char* description, float trackTime, unsigned frames,
                     size_t offset, size_t length)
{
    Put32(out, (unsigned)type);
    char text[64] = {0};
    memcpy(text, description, strlen(description));
    out.insert(out.end(), text, text + 64);
    Put32(out, 0);                 // flags
    Put32(out, (unsigned)-1);      // CD track
    PutFloat(out, trackTime);
    Put32(out, frames);
    Put32(out, (unsigned)offset);
    Put32(out, (unsigned)length);
}

static float FrameTime(const Bytes& out, size_t frame)
{
    float time;
    memcpy(&time, &out[frame + 1], 4);
    return time;
}

std::vector<unsigned char> BuildStructuredDemo(const StructuredDemoSpec& spec, StructuredDemoLayout* layout)
{
    Builder b;
    b.spec = &spec;
    b.layout = layout;
    *layout = StructuredDemoLayout();
    layout->chatOffsets.assign(spec.chat.size(), 0);
    b.frameNumber = 0;
    StartStructuredGame(&b.game, spec);
    b.out.assign(HEADER_SIZE, 0);
    PutField(b.out, 0, spec.magic, 8);
    for (int i = 0; i < 4; i++) {
        b.out[8 + i] = (unsigned char)((unsigned)spec.demoProtocol >> (8 * i));
        b.out[12 + i] = (unsigned char)((unsigned)spec.networkProtocol >> (8 * i));
    }
    PutField(b.out, 16, spec.mapName, 260);
    PutField(b.out, 276, spec.gameDir, 260);
    BuildLoading(&b);
    BuildPlayback(&b);
    if (spec.finished) {
        size_t directory = b.out.size();
        unsigned frames = 0;
        for (size_t i = 0; i < layout->frames.size(); i++)
            frames += layout->frames[i] >= layout->playbackOffset && layout->frameTypes[i] == 1;
        float trackTime = FrameTime(b.out, layout->frames.back());
        Put32(b.out, 2);
        PutEntry(b.out, 0, "LOADING", 0, 0, HEADER_SIZE, layout->playbackOffset - HEADER_SIZE);
        PutEntry(b.out, 1, "Playback", trackTime, frames, layout->playbackOffset,
                 directory - layout->playbackOffset);
        for (int i = 0; i < 4; i++)
            b.out[540 + i] = (unsigned char)(directory >> (8 * i));
        layout->directoryOffset = directory;
    } else if (spec.cutAt < b.out.size()) {
        b.out.resize(spec.cutAt);
        while (!layout->frames.empty() && layout->frames.back() >= spec.cutAt) {
            layout->frames.pop_back();
            layout->frameTypes.pop_back();
        }
        while (!layout->groupFrames.empty() && layout->groupFrames.back() >= spec.cutAt)
            layout->groupFrames.pop_back();
        while (!layout->messageStarts.empty() && layout->messageStarts.back() >= spec.cutAt)
            layout->messageStarts.pop_back();
    }
    return b.out;
}

std::vector<unsigned char> BuildStructuredDemo(const StructuredDemoSpec& spec)
{
    StructuredDemoLayout layout;
    return BuildStructuredDemo(spec, &layout);
}
