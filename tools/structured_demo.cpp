#include "tools/structured_demo.h"

#include <string.h>

typedef std::vector<unsigned char> Bytes;

enum {
    HEADER_SIZE = 544,
    NET_INFO_SIZE = 468,          // demo info, sequence numbers, message length
    VIEWPORT_AT = 208 + 4,        // in the demo info: ref_params.viewport
    NEXT_SECTION = 5,
    SVC_PRINT = 8,
    SVC_TIME = 7,
    SVC_UPDATEUSERINFO = 13,
    SVC_DELTADESCRIPTION = 14,
    SVC_CLIENTDATA = 15,
    SVC_SIGNONNUM = 25,
    SVC_NEWUSERMSG = 39
};

std::vector<StructuredUserMessage> StructuredDemoSpec::DefaultUserMessages()
{
    static const char* const names[] = {"ReqState", "VoiceMask", "CurWeapon", "Geiger", "Flashlight",
                                        "FlashBat", "Health", "Damage", "Battery", "Train",
                                        "HudTextPro", "HudText", "SayText", "TextMsg", "WeaponList",
                                        "ResetHUD", "InitHUD", "ViewMode", "GameTitle", "DeathMsg"};
    std::vector<StructuredUserMessage> list;
    for (const char* name : names)
        list.push_back({name, strcmp(name, "SayText") == 0 || strcmp(name, "TextMsg") == 0 ? -1 : 1});
    return list;
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

// Bit-packed-looking bytes: all 0x80 or above, so no id the pattern search
// looks for can come from them.
static void PutEntityBytes(Bytes& out, size_t count, unsigned seed)
{
    for (size_t i = 0; i < count; i++) {
        seed = seed * 1103515245u + 12345u;
        out.push_back((unsigned char)(seed >> 16));
    }
}

struct Builder {
    const StructuredDemoSpec* spec;
    Bytes out;
    StructuredDemoLayout* layout;
    int frameNumber;
    int sayTextId;
};

static void FrameHeader(Builder* b, int type, float time)
{
    b->layout->frames.push_back(b->out.size());
    b->layout->frameTypes.push_back(type);
    b->out.push_back((unsigned char)type);
    PutFloat(b->out, time);
    Put32(b->out, (unsigned)b->frameNumber++);
}

// A net-message frame around the given message bytes; chatAt are offsets in
// messages of chat id bytes, recorded as file offsets.
static void NetFrame(Builder* b, int type, float time, int width, int height, const Bytes& messages,
                     const std::vector<std::pair<size_t, size_t>>& chatAt)
{
    FrameHeader(b, type, time);
    size_t info = b->out.size();
    b->out.resize(info + NET_INFO_SIZE, 0);
    unsigned char* at = &b->out[info];
    unsigned timeBits;
    memcpy(&timeBits, &time, sizeof timeBits);
    for (int i = 0; i < 4; i++) {
        at[i] = (unsigned char)(timeBits >> (8 * i));
        at[VIEWPORT_AT + 8 + i] = (unsigned char)((unsigned)width >> (8 * i));
        at[VIEWPORT_AT + 12 + i] = (unsigned char)((unsigned)height >> (8 * i));
    }
    unsigned length = (unsigned)messages.size();
    for (int i = 0; i < 4; i++)
        at[NET_INFO_SIZE - 4 + i] = (unsigned char)(length >> (8 * i));
    size_t start = b->out.size();
    b->out.insert(b->out.end(), messages.begin(), messages.end());
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

static void PutRegistrations(Builder* b, Bytes& messages)
{
    const std::vector<StructuredUserMessage>& list = b->spec->userMessages;
    // The server sends its registrations newest first.
    for (size_t i = list.size(); i-- > 0;) {
        messages.push_back(SVC_NEWUSERMSG);
        messages.push_back((unsigned char)(64 + i));
        messages.push_back(list[i].size < 0 ? 255 : (unsigned char)list[i].size);
        unsigned char name[16] = {0};
        memcpy(name, list[i].name.data(), list[i].name.size() < 15 ? list[i].name.size() : 15);
        messages.insert(messages.end(), name, name + 16);
    }
}

static void PutPlayer(Bytes& messages, const StructuredPlayer& player)
{
    messages.push_back(SVC_UPDATEUSERINFO);
    messages.push_back((unsigned char)player.slot);
    Put32(messages, (unsigned)player.userId);
    PutText(messages, "\\bottomcolor\\6\\name\\" + player.name + "\\model\\gign");
    messages.insert(messages.end(), 16, 0xAB);
}

static void PutChat(Builder* b, Bytes& messages, const StructuredChat& chat)
{
    Bytes payload;
    payload.push_back((unsigned char)chat.sender);
    if (chat.key.empty()) {
        PutText(payload, "\x02" + chat.text + "\n");
    } else {
        PutText(payload, chat.key);
        PutText(payload, "");
        PutText(payload, chat.text + "\n");
    }
    if (payload.size() > 192)
        payload.resize(192);
    messages.push_back((unsigned char)b->sayTextId);
    messages.push_back((unsigned char)payload.size());
    messages.insert(messages.end(), payload.begin(), payload.end());
}

// LOADING: a print, the bit-packed delta descriptions with the registration
// run after them, then player infos and signon steps; then next-section
// frames.
static void BuildLoading(Builder* b)
{
    const StructuredDemoSpec& spec = *b->spec;
    int frames = spec.loadingFrames < 1 ? 1 : spec.loadingFrames;
    float time = 200.0f;
    for (int i = 0; i < frames; i++, time += 0.125f) {
        Bytes messages;
        if (i == 0) {
            messages.push_back(SVC_PRINT);
            PutText(messages, "Flickbox test server\n");
            messages.push_back(SVC_DELTADESCRIPTION);
            PutEntityBytes(messages, 40, 7);
            PutRegistrations(b, messages);
        }
        if (i == frames - 1) {
            for (const StructuredPlayer& player : spec.players)
                PutPlayer(messages, player);
        }
        messages.push_back(SVC_SIGNONNUM);
        messages.push_back((unsigned char)(i + 1));
        NetFrame(b, 0, time, spec.loadingViewportWidth, spec.loadingViewportHeight, messages, {});
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
    int groups = spec.playbackGroups < 0 ? 0 : spec.playbackGroups;
    float time = 0;
    for (int g = 0; g < groups; g++) {
        time = 0.01f * (float)(g + 1);
        Bytes messages;
        std::vector<std::pair<size_t, size_t>> chatAt;
        messages.push_back(SVC_TIME);
        PutFloat(messages, time);
        // Chat sent to one client reliably comes before the unreliable part.
        for (size_t c = (size_t)g; c < spec.chat.size(); c += (size_t)groups) {
            if (!spec.chat[c].late) {
                chatAt.push_back({c, messages.size()});
                PutChat(b, messages, spec.chat[c]);
            }
        }
        messages.push_back(SVC_CLIENTDATA);
        PutEntityBytes(messages, spec.entityBytes, (unsigned)g);
        for (size_t c = (size_t)g; c < spec.chat.size(); c += (size_t)groups) {
            if (spec.chat[c].late) {
                chatAt.push_back({c, messages.size()});
                PutChat(b, messages, spec.chat[c]);
            }
        }
        NetFrame(b, 1, time, spec.viewportWidth, spec.viewportHeight, messages, chatAt);
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
    b.sayTextId = 0;
    for (size_t i = 0; i < spec.userMessages.size(); i++) {
        if (spec.userMessages[i].name == "SayText")
            b.sayTextId = (int)(64 + i);
    }
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
    }
    return b.out;
}

std::vector<unsigned char> BuildStructuredDemo(const StructuredDemoSpec& spec)
{
    StructuredDemoLayout layout;
    return BuildStructuredDemo(spec, &layout);
}
