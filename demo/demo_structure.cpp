#include "demo/demo_structure.h"

#include <string.h>

#include "demo/demo_messages.h"
#include "demo/little_endian.h"
#include "shared/text.h"

// Descriptions, names and chat texts are kept as far as their buffers reach:
// a cut one still reads, so the bounded copies here ((void)) do not fail on it.

enum {
    MAX_MESSAGE_LENGTH = 65536,
    VIEWPORT_KINDS = 32,
    // Demo protocol 5: net-message frames carry 468 bytes before their messages.
    NET_LENGTH_AT = 473,
    NET_MESSAGES_AT = 477,
    VIEWPORT_WIDTH_AT = 229,
    VIEWPORT_HEIGHT_AT = 233,
    // Demo protocol 4 (WON): six floats and the length.
    WON_LENGTH_AT = 33,
    WON_MESSAGES_AT = 37
};

enum FrameFit { FRAME_WHOLE, FRAME_CUT, FRAME_BAD };

struct Frame {
    FrameHeader header;
    uint64_t size;
    uint64_t messagesAt;     // net-message frames: where the message bytes start
    uint64_t messageLength;
};

struct ViewportTally {
    int width[VIEWPORT_KINDS], height[VIEWPORT_KINDS];
    uint32_t count[VIEWPORT_KINDS];
    int kinds;
};

// Everything the walk of one file shares between its segments.
struct Walk {
    const unsigned char* bytes;
    size_t size;
    bool won;                // demo protocol 4 layout
    int nextSectionType;
    MessageReader reader;
    ViewportTally playback, all;
    DemoStructure* result;
};

static bool IsNetMessage(int type)
{
    return type == 0 || type == 1;
}

// The size of a frame whose fixed part is fixedSize and whose int32 count at
// countAt adds that many bytes (a count < 0 or over the limit is bad).
static FrameFit CountedSize(const unsigned char* at, size_t left, size_t countAt, uint64_t fixedSize,
                            uint64_t* size, uint64_t* count)
{
    if (left < countAt + 4)
        return FRAME_CUT;
    int32_t n = ReadI32(at + countAt);
    if (n < 0 || n > MAX_MESSAGE_LENGTH)
        return FRAME_BAD;
    *count = (uint64_t)n;
    *size = fixedSize + (uint64_t)n;
    return FRAME_WHOLE;
}

// Measures the frame at pos within bytes[0, limit): whole (with its size), cut
// by the limit, or bad (unknown type or impossible length).
static FrameFit MeasureFrame(const Walk& walk, size_t pos, size_t limit, Frame* frame, char* why, size_t whySize)
{
    const unsigned char* at = walk.bytes + pos;
    size_t left = limit - pos;
    if (left == 0)
        return FRAME_CUT;
    frame->messagesAt = 0;
    frame->messageLength = 0;
    // The type reads from the first byte: an unknown one is bad even when cut.
    bool headerWhole = ReadFrameHeader(at, left, &frame->header);
    int type = frame->header.type;
    int maxType = walk.won ? 8 : FRAME_TYPE_COUNT - 1;
    if (type > maxType) {
        (void)FormatText(why, whySize, "unknown frame type %d at %llu", type, (unsigned long long)pos);
        return FRAME_BAD;
    }
    if (!headerWhole)
        return FRAME_CUT;
    FrameFit fit = FRAME_WHOLE;
    uint64_t count = 0;
    if (IsNetMessage(type)) {
        size_t lengthAt = walk.won ? WON_LENGTH_AT : NET_LENGTH_AT;
        fit = CountedSize(at, left, lengthAt, lengthAt + 4, &frame->size, &count);
        frame->messagesAt = pos + lengthAt + 4;
        frame->messageLength = count;
    } else if (walk.won) {
        static const uint64_t wonSizes[9] = {0, 0, 9, 37, 9, 73, 73, 0, 9};
        if (type == 7)
            fit = CountedSize(at, left, 9, 13, &frame->size, &count);
        else
            frame->size = wonSizes[type];
    } else {
        static const uint64_t sizes[FRAME_TYPE_COUNT] = {0, 0, 9, 73, 41, 9, 93, 17, 0, 0};
        if (type == 8)
            fit = CountedSize(at, left, 13, 33, &frame->size, &count);
        else if (type == 9)
            fit = CountedSize(at, left, 9, 13, &frame->size, &count);
        else
            frame->size = sizes[type];
    }
    if (fit == FRAME_BAD) {
        (void)FormatText(why, whySize, "frame at %llu (type %d) has an impossible length",
                   (unsigned long long)pos, type);
        return FRAME_BAD;
    }
    if (fit == FRAME_CUT || frame->size > left)
        return FRAME_CUT;
    return FRAME_WHOLE;
}

static void TallyViewport(ViewportTally* tally, int width, int height)
{
    for (int i = 0; i < tally->kinds; i++) {
        if (tally->width[i] == width && tally->height[i] == height) {
            tally->count[i]++;
            return;
        }
    }
    // Past a few dozen sizes the rare ones no longer matter.
    if (tally->kinds == VIEWPORT_KINDS)
        return;
    tally->width[tally->kinds] = width;
    tally->height[tally->kinds] = height;
    tally->count[tally->kinds] = 1;
    tally->kinds++;
}

// The most common size; the first seen wins a tie.
static bool MostCommonViewport(const ViewportTally& tally, int* width, int* height)
{
    int best = -1;
    for (int i = 0; i < tally.kinds; i++) {
        if (best < 0 || tally.count[i] > tally.count[best])
            best = i;
    }
    if (best < 0)
        return false;
    *width = tally.width[best];
    *height = tally.height[best];
    return true;
}

// What one whole frame adds to the segment and the file's findings.
static void TakeFrame(Walk* walk, DemoSegment* segment, const Frame& frame, size_t pos)
{
    segment->framesByType[frame.header.type]++;
    segment->framesWalked++;
    segment->lastTime = frame.header.time;
    segment->lastFrameNumber = frame.header.number;
    segment->walkedEnd = pos + frame.size;
    if (!IsNetMessage(frame.header.type))
        return;
    if (!walk->won) {
        const unsigned char* at = walk->bytes + pos;
        int width = ReadI32(at + VIEWPORT_WIDTH_AT);
        int height = ReadI32(at + VIEWPORT_HEIGHT_AT);
        if (width > 0 && height > 0) {
            if (segment->type == 1)
                TallyViewport(&walk->playback, width, height);
            TallyViewport(&walk->all, width, height);
        }
    }
    ReadFrameMessages(walk->bytes, (size_t)frame.messagesAt, (size_t)(frame.messagesAt + frame.messageLength),
                      frame.header.time, frame.header.type == 0, &walk->reader, walk->result);
}

static void StartSegment(DemoSegment* segment, int32_t type, const char* description, size_t offset)
{
    memset(segment, 0, sizeof *segment);
    segment->type = type;
    (void)CopyText(segment->description, sizeof segment->description, description);
    segment->offset = (uint32_t)offset;
    segment->walkedEnd = offset;
    segment->end = SEGMENT_END_OF_FILE;
}

// Walks frames from the segment's offset up to limit and stops after the first
// next-section frame, then takes the stacked next-section frames that follow
// while stackedUpTo allows (0: none). A frame cut by the limit ends the walk
// with SEGMENT_END_OF_FILE; the caller decides whether that is damage.
static void WalkSegment(Walk* walk, DemoSegment* segment, size_t limit, size_t stackedUpTo)
{
    size_t pos = segment->offset;
    Frame frame;
    for (;;) {
        FrameFit fit = MeasureFrame(*walk, pos, limit, &frame, segment->problem, sizeof segment->problem);
        if (fit == FRAME_BAD) {
            segment->end = SEGMENT_BAD_FRAME;
            return;
        }
        if (fit == FRAME_CUT)
            return;
        TakeFrame(walk, segment, frame, pos);
        pos += (size_t)frame.size;
        if (frame.header.type == walk->nextSectionType)
            break;
    }
    segment->end = SEGMENT_NEXT_SECTION;
    float closingTime = segment->lastTime;
    while (pos + FRAME_HEADER_SIZE <= stackedUpTo && walk->bytes[pos] == walk->nextSectionType) {
        MeasureFrame(*walk, pos, stackedUpTo, &frame, segment->problem, sizeof segment->problem);
        TakeFrame(walk, segment, frame, pos);
        segment->extraNextSections++;
        pos += FRAME_HEADER_SIZE;
    }
    segment->lastTime = closingTime;
}

static void ReadHeader(const unsigned char* bytes, DemoFileHeader* header)
{
    (void)CopyTextPrefix(header->magic, sizeof header->magic, (const char*)bytes, 8);
    header->demoProtocol = ReadI32(bytes + 8);
    header->networkProtocol = ReadI32(bytes + 12);
    (void)CopyTextPrefix(header->mapName, sizeof header->mapName, (const char*)bytes + 16, 260);
    (void)CopyTextPrefix(header->gameDir, sizeof header->gameDir, (const char*)bytes + 276, 260);
    header->mapCrc = ReadU32(bytes + 536);
    header->directoryOffset = ReadDirectoryOffset(bytes);
}

// Checks the directory the header points at; fills the segments from its
// entries when it is usable, else says why not.
static bool ReadDirectory(const unsigned char* bytes, size_t size, DemoStructure* result)
{
    char* why = result->directoryProblem;
    size_t whySize = sizeof result->directoryProblem;
    int64_t at = result->header.directoryOffset;
    if (at == 0)
        return (void)FormatText(why, whySize, "the directory offset is 0: the recording was not finished"), false;
    if (at < DEMO_HEADER_SIZE)
        return (void)FormatText(why, whySize, "the directory offset %lld is inside the header", (long long)at), false;
    if ((uint64_t)at + 4 > size)
        return (void)FormatText(why, whySize, "the directory offset %lld is past the end of the file (%llu bytes)",
                          (long long)at, (unsigned long long)size), false;
    int32_t count = ReadDirectoryCount(bytes + at);
    result->directoryEntries = count;
    if (count < 1 || count > MAX_DIRECTORY_ENTRIES)
        return (void)FormatText(why, whySize, "the directory has %ld entries (1 to %d allowed)", (long)count,
                          MAX_DIRECTORY_ENTRIES), false;
    if ((uint64_t)at + DirectorySize((size_t)count) > size)
        return (void)FormatText(why, whySize, "the directory's %ld entries at %lld run past the end of the file",
                          (long)count, (long long)at), false;
    result->segments.resize((size_t)count);
    for (int32_t i = 0; i < count; i++) {
        DirectoryEntry entry;
        ReadDirectoryEntry(bytes + at, (size_t)i, &entry);
        DemoSegment* segment = &result->segments[(size_t)i];
        StartSegment(segment, entry.type, entry.description, entry.offset);
        segment->trackTime = entry.trackTime;
        segment->frameCount = entry.frameCount;
        segment->length = entry.length;
        uint64_t end = (uint64_t)segment->offset + segment->length;
        if (segment->offset < DEMO_HEADER_SIZE || end > (uint64_t)at) {
            // Said before the entries go: the segment is one of them.
            (void)FormatText(why, whySize,
                             "entry %ld (%s) at %lu, %lu bytes, is not between the header and the directory at %lld",
                             (long)i + 1, entry.description, (unsigned long)segment->offset,
                             (unsigned long)segment->length, (long long)at);
            result->segments.clear();
            return false;
        }
    }
    return true;
}

// Each entry walks from its offset to its first next-section frame, and only
// stacked next-section frames may follow it up to the entry's end.
static void WalkDirectory(Walk* walk, DemoStructure* result)
{
    for (DemoSegment& segment : result->segments) {
        size_t end = (size_t)segment.offset + segment.length;
        WalkSegment(walk, &segment, end, end);
        if (segment.end == SEGMENT_END_OF_FILE) {
            segment.end = SEGMENT_BAD_FRAME;
            if (segment.walkedEnd < end)
                (void)FormatText(segment.problem, sizeof segment.problem,
                           "frame at %llu runs past the end of %s at %llu", (unsigned long long)segment.walkedEnd,
                           segment.description, (unsigned long long)end);
            else
                (void)FormatText(segment.problem, sizeof segment.problem, "%s ends at %llu without a next-section frame",
                           segment.description, (unsigned long long)end);
        } else if (segment.end == SEGMENT_NEXT_SECTION && segment.walkedEnd < end) {
            segment.end = SEGMENT_BAD_FRAME;
            (void)FormatText(segment.problem, sizeof segment.problem,
                       "frame at %llu (type %d) follows the next-section frame of %s",
                       (unsigned long long)segment.walkedEnd, walk->bytes[segment.walkedEnd], segment.description);
        }
    }
}

// A crashed recording: LOADING up to its first next-section frame (with the
// stacked ones), then Playback with the rest, as far as whole frames go.
static void WalkSequentially(Walk* walk, DemoStructure* result)
{
    result->walkedSequentially = true;
    result->segments.resize(1);
    DemoSegment* loading = &result->segments[0];
    StartSegment(loading, 0, "LOADING", DEMO_HEADER_SIZE);
    WalkSegment(walk, loading, walk->size, walk->size);
    loading->length = (uint32_t)(loading->walkedEnd - loading->offset);
    loading->frameCount = (int32_t)loading->framesByType[1];
    if (loading->end != SEGMENT_NEXT_SECTION)
        return;
    size_t playbackAt = (size_t)loading->walkedEnd;
    result->segments.resize(2);
    DemoSegment* playback = &result->segments[1];
    StartSegment(playback, 1, "Playback", playbackAt);
    WalkSegment(walk, playback, walk->size, 0);
    playback->length = (uint32_t)(playback->walkedEnd - playback->offset);
    playback->trackTime = playback->lastTime;
    playback->frameCount = (int32_t)playback->framesByType[1];
}

static void ClearResult(DemoStructure* result)
{
    memset(&result->header, 0, sizeof result->header);
    result->headerWhole = false;
    result->state = DEMO_DAMAGED;
    result->problem[0] = '\0';
    result->directoryUsable = false;
    result->directoryProblem[0] = '\0';
    result->walkedSequentially = false;
    result->segments.clear();
    result->duration = 0;
    result->viewportWidth = 0;
    result->viewportHeight = 0;
    result->userMessages.clear();
    result->sayTextId = -1;
    result->chat.clear();
    result->players.clear();
    result->lastWholeFrameEnd = 0;
    result->directoryEntries = 0;
}

// The state, the duration and the cut point from the walked segments.
static void Conclude(DemoStructure* result)
{
    const DemoSegment* bad = NULL;
    for (const DemoSegment& segment : result->segments) {
        if (segment.walkedEnd > result->lastWholeFrameEnd)
            result->lastWholeFrameEnd = segment.walkedEnd;
        if (segment.end == SEGMENT_BAD_FRAME && !bad)
            bad = &segment;
        if (segment.type == 1 && result->duration == 0)
            result->duration = result->walkedSequentially ? segment.lastTime : segment.trackTime;
    }
    if (bad) {
        result->state = DEMO_DAMAGED;
        (void)CopyText(result->problem, sizeof result->problem, bad->problem);
    } else if (result->directoryUsable) {
        result->state = DEMO_COMPLETE;
    } else {
        result->state = DEMO_UNFINISHED;
        (void)FormatText(result->problem, sizeof result->problem, "%s; the last whole frame ends at %llu",
                   result->directoryProblem, (unsigned long long)result->lastWholeFrameEnd);
    }
}

void ReadDemoStructure(const unsigned char* bytes, size_t size, DemoStructure* result)
{
    ClearResult(result);
    if (size < DEMO_HEADER_SIZE) {
        (void)FormatText(result->problem, sizeof result->problem, "the file has %llu bytes, less than the %d-byte header",
                   (unsigned long long)size, DEMO_HEADER_SIZE);
        return;
    }
    result->headerWhole = true;
    ReadHeader(bytes, &result->header);
    result->lastWholeFrameEnd = DEMO_HEADER_SIZE;
    // Offsets and lengths in a demo are 32-bit.
    if ((uint64_t)size >> 32 != 0) {
        (void)CopyText(result->problem, sizeof result->problem, "the file is 4 GiB or more");
        return;
    }
    if (memcmp(bytes, "HLDEMO", 6) != 0) {
        (void)CopyText(result->problem, sizeof result->problem, "the file does not start with HLDEMO");
        return;
    }
    Walk walk;
    memset(&walk, 0, sizeof walk);
    walk.bytes = bytes;
    walk.size = size;
    walk.won = result->header.demoProtocol == 4;
    walk.nextSectionType = NextSectionType(result->header.demoProtocol);
    walk.result = result;
    StartMessageReader(&walk.reader, !walk.won);

    result->directoryUsable = ReadDirectory(bytes, size, result);
    if (result->directoryUsable)
        WalkDirectory(&walk, result);
    else
        WalkSequentially(&walk, result);

    bool found = MostCommonViewport(walk.playback, &result->viewportWidth, &result->viewportHeight);
    bool anyPlayback = false;
    for (const DemoSegment& segment : result->segments)
        anyPlayback = anyPlayback || segment.type == 1;
    if (!found && !anyPlayback)
        MostCommonViewport(walk.all, &result->viewportWidth, &result->viewportHeight);
    Conclude(result);
}

const char* DemoStateName(DemoState state)
{
    switch (state) {
    case DEMO_COMPLETE: return "complete";
    case DEMO_UNFINISHED: return "unfinished";
    default: return "damaged";
    }
}

const char* SegmentEndName(SegmentEnd end)
{
    switch (end) {
    case SEGMENT_NEXT_SECTION: return "next-section";
    case SEGMENT_END_OF_FILE: return "end-of-file";
    default: return "bad-frame";
    }
}
