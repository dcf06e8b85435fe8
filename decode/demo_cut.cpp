#include "decode/demo_cut.h"

#include <math.h>
#include <string.h>

#include "decode/cut_carry.h"
#include "decode/decode_state.h"
#include "demo/demo_layout.h"
#include "demo/little_endian.h"
#include "shared/text.h"

// Problems are kept as far as their buffers reach: a cut one still reads, so
// the bounded copies marked (void) do not fail on it.

enum {
    NET_LENGTH_AT = 473,
    NET_MESSAGES_AT = 477,
    NEXT_SECTION = 5,
    DEMO_START = 2
};

static bool IsNetMessage(int type)
{
    return type == 0 || type == 1;
}

// The size of the whole frame at pos (demo protocol 5); 0 when it does not
// fit before end. The structure walk has already checked every frame.
static size_t FrameSize(const unsigned char* bytes, size_t pos, size_t end)
{
    static const size_t sizes[FRAME_TYPE_COUNT] = {0, 0, 9, 73, 41, 9, 93, 17, 0, 0};
    if (pos + FRAME_HEADER_SIZE > end || bytes[pos] >= FRAME_TYPE_COUNT)
        return 0;
    int type = bytes[pos];
    size_t countAt = 0, fixed = sizes[type];
    if (IsNetMessage(type))
        countAt = NET_LENGTH_AT, fixed = NET_MESSAGES_AT;
    else if (type == 8)
        countAt = 13, fixed = 33;
    else if (type == 9)
        countAt = 9, fixed = 13;
    size_t frameSize = fixed;
    if (countAt) {
        if (pos + countAt + 4 > end)
            return 0;
        int32_t count = ReadI32(bytes + pos + countAt);
        if (count < 0)
            return 0;
        frameSize += (size_t)count;
    }
    return pos + frameSize <= end ? frameSize : 0;
}

bool ListSegmentFrames(const unsigned char* bytes, const DemoSegment& segment, std::vector<CutFrame>* frames)
{
    frames->clear();
    frames->reserve(segment.framesWalked);
    size_t pos = segment.offset, end = (size_t)segment.walkedEnd;
    while (pos < end) {
        size_t frameSize = FrameSize(bytes, pos, end);
        FrameHeader header;
        if (frameSize == 0 || !ReadFrameHeader(bytes + pos, end - pos, &header))
            return false;
        if (header.type == NEXT_SECTION)
            break;
        CutFrame frame;
        frame.offset = pos;
        frame.size = frameSize;
        frame.type = header.type;
        frame.time = header.time;
        frame.number = header.number;
        frames->push_back(frame);
        pos += frameSize;
    }
    return true;
}

static void Append(std::vector<unsigned char>* out, const unsigned char* bytes, size_t count)
{
    out->insert(out->end(), bytes, bytes + count);
}

// One kept frame: its bytes with the new time, and for a rewritten
// net-message frame its new messages and length.
static void AppendFrame(std::vector<unsigned char>* out, const unsigned char* bytes, const CutFrame& frame,
                        float time, const std::vector<unsigned char>* messages)
{
    size_t at = out->size();
    if (messages) {
        Append(out, bytes + frame.offset, NET_MESSAGES_AT);
        PutU32(&(*out)[at + NET_LENGTH_AT], (uint32_t)messages->size());
        Append(out, messages->data(), messages->size());
    } else {
        Append(out, bytes + frame.offset, frame.size);
    }
    PutF32(&(*out)[at + 1], time);
}

// A signon that Playback holds, as a LOADING segment: its net-message
// frames as startup frames, then a next-section frame.
static void AppendSignon(std::vector<unsigned char>* out, const unsigned char* bytes,
                         const std::vector<CutFrame>& frames, size_t first, size_t last, int32_t demoProtocol)
{
    for (size_t i = first; i <= last; i++) {
        if (!IsNetMessage(frames[i].type))
            continue;
        size_t at = out->size();
        Append(out, bytes + frames[i].offset, frames[i].size);
        (*out)[at] = 0;
    }
    AppendNextSectionFrame(out, demoProtocol, frames[last].time, frames[last].number);
}

static bool Refuse(CutReport* report, const char* format, double a, double b)
{
    (void)FormatText(report->problem, sizeof report->problem, format, a, b);
    return false;
}

// "m:ss.s" for the problem lines.
static void TimeText(char* dest, size_t size, double seconds)
{
    long long tenths = (long long)llround(seconds * 10.0);
    if (tenths < 0)
        tenths = 0;
    (void)FormatText(dest, size, "%lld:%02lld.%lld", tenths / 600, tenths / 10 % 60, tenths % 10);
}

bool RoundSpan(const DemoTimeline& timeline, const DemoStructure& structure, int first, int last, double* from,
               double* to, char* problem, size_t problemSize)
{
    const TimelineEvent* previous = NULL;  // the round end before the first round
    const TimelineEvent* firstEnd = NULL;
    const TimelineEvent* lastEnd = NULL;
    // Counted along the demo: a restart, which numbers its rounds from 1
    // again, cannot make a number name two rounds.
    int rounds = 0;
    for (const TimelineEvent& event : timeline.events) {
        if (event.type != EVENT_ROUND_END)
            continue;
        rounds++;
        if (rounds == first - 1)
            previous = &event;
        if (rounds == first)
            firstEnd = &event;
        if (rounds == last)
            lastEnd = &event;
    }
    int missing = !firstEnd ? first : !lastEnd ? last : 0;
    if (missing) {
        (void)FormatText(problem, problemSize, "round %d does not exist: the demo has %d round end%s", missing,
                         rounds, rounds == 1 ? "" : "s");
        return false;
    }
    // Playback's times start at 0. The frame with the round end before is
    // that round's, so the span starts just after it.
    *from = previous ? (double)nextafterf(previous->time, INFINITY) : 0.0;
    *to = lastEnd->time + ROUND_TAIL_SECONDS;
    if (*to > structure.duration)
        *to = structure.duration;
    return true;
}

static bool Cut(const unsigned char* bytes, size_t size, const DemoStructure& structure, const CutSpan& span,
                std::vector<unsigned char>* out, CutReport* report)
{
    memset(report, 0, sizeof *report);
    if (structure.state == DEMO_DAMAGED)
        return Refuse(report, "damaged, not cut", 0, 0);
    if (structure.header.demoProtocol != 5 || structure.segments.size() < 2 || structure.segments[0].type != 0 ||
        structure.segments[1].type != 1 || structure.segments[0].end != SEGMENT_NEXT_SECTION)
        return Refuse(report, "the demo has no LOADING and Playback segments to cut", 0, 0);
    const DemoSegment& loading = structure.segments[0];
    CutSource source;
    source.bytes = bytes;
    source.size = size;
    source.structure = &structure;
    if (!ListSegmentFrames(bytes, loading, &source.loading) ||
        !ListSegmentFrames(bytes, structure.segments[1], &source.playback) || source.playback.empty())
        return Refuse(report, "the demo has no Playback frames to cut", 0, 0);
    const std::vector<CutFrame>& frames = source.playback;

    char fromText[32], toText[32], endText[32];
    TimeText(fromText, sizeof fromText, span.from);
    TimeText(toText, sizeof toText, span.to);
    double lastTime = frames.back().time;
    TimeText(endText, sizeof endText, lastTime);
    if (span.fromGiven && span.toGiven && span.from > span.to) {
        (void)FormatText(report->problem, sizeof report->problem, "the span starts at %s, after its end at %s",
                         fromText, toText);
        return false;
    }
    size_t firstNet = frames.size(), start = frames.size();
    for (size_t i = 0; i < frames.size(); i++) {
        if (!IsNetMessage(frames[i].type))
            continue;
        if (firstNet == frames.size())
            firstNet = i;
        if (!span.fromGiven || frames[i].time >= span.from) {
            start = i;
            break;
        }
    }
    if (start == frames.size()) {
        (void)FormatText(report->problem, sizeof report->problem,
                         "the span starts at %s, after the demo's last net-message frame (the demo ends at %s)",
                         fromText, endText);
        return false;
    }
    size_t end = start;
    for (size_t i = start; i < frames.size(); i++) {
        if (!span.toGiven || frames[i].time <= span.to)
            end = i;
    }
    if (span.toGiven && frames[start].time > span.to) {
        char startText[32];
        TimeText(startText, sizeof startText, frames[start].time);
        (void)FormatText(report->problem, sizeof report->problem,
                         "the span %s to %s holds no net-message frame (the next one is at %s)", fromText, toText,
                         startText);
        return false;
    }

    // A cut from the first net-message frame keeps what comes before it and
    // shifts nothing; a later start keeps only the demo-start frames.
    bool fromFirst = start == firstNet;
    CarryPlan plan;
    plan.newSignon = false;
    if (!fromFirst && !CarryState(source, &start, end, &plan, report))
        return false;
    const std::vector<CarriedFrame>& carried = plan.carried;

    double shift = fromFirst ? 0.0 : (double)frames[0].time - (double)frames[start].time;
    out->clear();
    out->reserve(DEMO_HEADER_SIZE + (size_t)(loading.walkedEnd - loading.offset) +
                 (frames[end].offset + frames[end].size - frames[start].offset) + 65536 + DirectorySize(2));
    Append(out, bytes, DEMO_HEADER_SIZE);
    if (plan.newSignon)
        AppendSignon(out, bytes, frames, plan.signonFirst, plan.signonLast, structure.header.demoProtocol);
    else
        Append(out, bytes + loading.offset, (size_t)(loading.walkedEnd - loading.offset));
    size_t playbackOffset = out->size();
    uint32_t netFrames = 0;
    for (size_t i = 0; i < start; i++) {
        if (fromFirst || (i < firstNet && frames[i].type == DEMO_START)) {
            AppendFrame(out, bytes, frames[i], frames[i].time, NULL);
            netFrames += IsNetMessage(frames[i].type);
        }
    }
    size_t next = 0;  // the next carried frame
    float closingTime = 0;
    for (size_t i = start; i <= end; i++) {
        const std::vector<unsigned char>* messages = NULL;
        if (next < carried.size() && carried[next].frame == i)
            messages = &carried[next++].messages;
        closingTime = fromFirst ? frames[i].time : (float)((double)frames[i].time + shift);
        AppendFrame(out, bytes, frames[i], closingTime, messages);
        netFrames += IsNetMessage(frames[i].type);
    }
    AppendNextSectionFrame(out, structure.header.demoProtocol, closingTime, frames[end].number);
    size_t directory = out->size();
    DirectoryEntry entries[2] = {
        FinishedEntry(0, "LOADING", 0, 0, DEMO_HEADER_SIZE, (uint32_t)(playbackOffset - DEMO_HEADER_SIZE)),
        FinishedEntry(1, "Playback", closingTime, (int32_t)netFrames, (uint32_t)playbackOffset,
                      (uint32_t)(directory - playbackOffset))};
    AppendDirectory(out, entries, 2);
    PutDirectoryOffset(out->data(), (uint32_t)directory);

    report->keptFrom = frames[start].time;
    report->keptTo = frames[end].time;
    report->netFrames = netFrames;
    report->framesRewritten = carried.empty() ? 0 : (uint32_t)carried.size() - 1;
    // A cut of the end alone is the original's bytes; it is decoded all the same.
    if (!CheckCut(source, out->data(), out->size(), start, carried, report))
        return false;
    return true;
}

bool CutDemo(const unsigned char* bytes, size_t size, const DemoStructure& structure, const CutSpan& span,
             std::vector<unsigned char>* out, CutReport* report)
{
    bool cut = Cut(bytes, size, structure, span, out, report);
    // What an unusually large demo made the kept decoder states hold goes back.
    TrimDecodeState(CutDecodeState(0));
    TrimDecodeState(CutDecodeState(1));
    return cut;
}
