// A whole demo's timeline: every net-message frame of every segment, in file
// order, through one decoder state.
#include "decode/decode_demo.h"

#include <string.h>

#include <algorithm>
#include <memory>

#include "decode/cut_carry.h"
#include "decode/decode_state.h"
#include "demo/little_endian.h"
#include "shared/text.h"

enum { FRAME_HEAD_BYTES = 9 };   // type, time, frame number

// The layouts the structure layer walked: where a frame's message length
// sits (net-message frames) and how big the other frames are.
struct FrameLayout {
    int netLengthAt;               // the int32 message length of types 0 and 1
    int nextSection;
    int countedType, countAt, countedFixed;  // the one other type with a count
    int sizes[FRAME_TYPE_COUNT];   // fixed sizes; 0 for counted types
};

static const FrameLayout Protocol5 = {473, 5, 8, 13, 33, {0, 0, 9, 73, 41, 9, 93, 17, 0, 0}};
static const FrameLayout Won = {33, 8, 7, 9, 13, {0, 0, 9, 37, 9, 73, 73, 0, 9, 0}};

// The size of the frame at pos within end; 0 when it is not whole there.
static uint64_t FrameSize(const FrameLayout& layout, const unsigned char* bytes, size_t end, size_t pos,
                          uint64_t* messageLength)
{
    *messageLength = 0;
    if (end - pos < FRAME_HEAD_BYTES)
        return 0;
    int type = bytes[pos];
    int countAt = 0, fixed = 0;
    if (type == 0 || type == 1) {
        countAt = layout.netLengthAt;
        fixed = layout.netLengthAt + 4;
    } else if (type == layout.countedType) {
        countAt = layout.countAt;
        fixed = layout.countedFixed;
    } else if (type == 9 && &layout == &Protocol5) {
        countAt = 9;
        fixed = 13;
    } else {
        return type < FRAME_TYPE_COUNT ? (uint64_t)layout.sizes[type] : 0;
    }
    if (end - pos < (size_t)countAt + 4)
        return 0;
    int32_t count = ReadI32(bytes + pos + countAt);
    if (count < 0)
        return 0;
    if (type == 0 || type == 1)
        *messageLength = (uint64_t)count;
    return (uint64_t)fixed + (uint64_t)count;
}

static inline void Prefetch(const unsigned char* first, const unsigned char* second)
{
#if defined(__GNUC__)
    __builtin_prefetch(first);
    __builtin_prefetch(second);
#else
    (void)first;
    (void)second;
#endif
}

// Players as the structure layer found their info strings: slot and name.
static void PatternPlayers(const DemoStructure& structure, DemoTimeline* timeline)
{
    for (const PlayerInfo& info : structure.players) {
        if (info.slot < 0 || info.slot >= DECODE_MAX_SLOTS)
            continue;
        TimelinePlayer* player = NULL;
        for (TimelinePlayer& known : timeline->players) {
            if (known.slot == info.slot)
                player = &known;
        }
        if (!player) {
            timeline->players.emplace_back();
            player = &timeline->players.back();
            memset(player, 0, sizeof *player);
            player->slot = info.slot;
            player->entity = info.slot + 1;
            player->present = true;
        }
        player->userId = info.userId;
        (void)CopyText(player->name, sizeof player->name, info.name);
    }
    std::sort(timeline->players.begin(), timeline->players.end(),
              [](const TimelinePlayer& a, const TimelinePlayer& b) { return a.slot < b.slot; });
}

// One chat line the pattern search found, marked so.
static void AddPatternChat(const DemoStructure& structure, const ChatMessage& message, DemoTimeline* timeline)
{
    if (timeline->events.size() >= TIMELINE_MAX_EVENTS) {
        timeline->eventsDropped++;
        return;
    }
    timeline->events.emplace_back();
    TimelineEvent* event = &timeline->events.back();
    memset(event, 0, sizeof *event);
    event->kind = ClassifyChat(message);
    event->type = event->kind == CHAT_NAME_CHANGE ? EVENT_NAME_CHANGE : EVENT_CHAT;
    event->time = message.time;
    event->offset = message.offset;
    event->length = message.length;
    event->entity = message.sender;
    event->foundByPattern = true;
    event->steamForm = message.steamForm;
    if (event->kind == CHAT_NAME_CHANGE) {
        (void)CopyText(event->name, sizeof event->name, message.stringCount > 1 ? message.strings[1] : "");
        (void)CopyText(event->text, sizeof event->text, message.stringCount > 2 ? message.strings[2] : "");
    } else {
        ChatText(event->text, sizeof event->text, message);
        (void)CopyText(event->name, sizeof event->name, SenderName(structure, message));
    }
}

static void PatternChat(const DemoStructure& structure, DemoTimeline* timeline)
{
    for (const ChatMessage& message : structure.chat)
        AddPatternChat(structure, message, timeline);
}

// The pattern search's chat in [from, to): the part of a frame after the
// message that failed, which nothing else reads.
static void PatternChatWithin(const DemoStructure& structure, uint64_t from, uint64_t to, DemoTimeline* timeline)
{
    for (const ChatMessage& message : structure.chat) {
        if (message.offset >= from && message.offset < to)
            AddPatternChat(structure, message, timeline);
    }
}

static thread_local DecodeState* keptState;

void ReleaseThreadDecodeStates()
{
    FreeDecodeState(keptState);
    keptState = NULL;
    ReleaseCutDecodeStates();
}

void DecodeDemo(const unsigned char* bytes, size_t size, const DemoStructure& structure, DemoTimeline* timeline)
{
    // One state per thread, kept between demos: it is large, and a fresh
    // one would be paged in again for every file.
    if (!keptState)
        keptState = NewDecodeState();
    DecodeState* state = keptState;
    StartDecode(state, structure, timeline);
    state->keepAllEntities = false;
    const FrameLayout& layout = structure.header.demoProtocol == 4 ? Won : Protocol5;
    int index = 0;
    for (const DemoSegment& segment : structure.segments) {
        size_t pos = segment.offset;
        size_t end = segment.walkedEnd < size ? (size_t)segment.walkedEnd : size;
        while (pos < end) {
            uint64_t messageLength;
            uint64_t frameSize = FrameSize(layout, bytes, end, pos, &messageLength);
            if (frameSize == 0 || frameSize > end - pos)
                break;
            // The next frame's header and message length, on their way while this one decodes.
            if (frameSize + 512 < end - pos)
                Prefetch(bytes + pos + frameSize, bytes + pos + frameSize + 448);
            int type = bytes[pos];
            if (type == 0 || type == 1) {
                NetFrame frame;
                FrameReport report;
                if (&layout == &Protocol5 && ReadNetFrame(bytes, end, pos, &frame)) {
                    frame.index = index;
                    DecodeFrame(state, frame, &report);
                } else {
                    // Frames of a layout the decoder does not read count as not decoded.
                    memset(&frame, 0, sizeof frame);
                    frame.offset = pos;
                    frame.type = type;
                    frame.messageLength = (uint32_t)messageLength;
                    frame.index = index;
                    DecodeFrame(state, frame, &report);
                }
                if (state->decodable && !report.decoded) {
                    uint64_t from = frame.messages ? frame.messagesOffset + report.failedAt : pos;
                    PatternChatWithin(structure, from, pos + frameSize, timeline);
                }
                index++;
            }
            pos += (size_t)frameSize;
        }
    }
    FinishDecode(state);
    if (!state->decodable) {
        PatternPlayers(structure, timeline);
        PatternChat(structure, timeline);
    }
    TrimDecodeState(state);
}
