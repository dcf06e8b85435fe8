#include "demo/demo_repair.h"

#include <string.h>

#include "demo/little_endian.h"

enum { FRAME_HEADER_SIZE = 9, DIRECTORY_SIZE = 4 + 2 * DIRECTORY_ENTRY_SIZE };

static void Append(std::vector<unsigned char>* out, const unsigned char* bytes, size_t count)
{
    out->insert(out->end(), bytes, bytes + count);
}

static void AppendNextSection(std::vector<unsigned char>* out, int type, float time, int32_t number)
{
    unsigned char frame[FRAME_HEADER_SIZE];
    frame[0] = (unsigned char)type;
    PutF32(frame + 1, time);
    PutU32(frame + 5, (uint32_t)number);
    Append(out, frame, sizeof frame);
}

// One entry as a finished recording has it: flags 0, CD track -1.
static void AppendEntry(std::vector<unsigned char>* out, int32_t type, const char* description, float trackTime,
                        uint32_t frameCount, size_t offset, size_t length)
{
    unsigned char entry[DIRECTORY_ENTRY_SIZE] = {0};
    PutU32(entry, (uint32_t)type);
    // The description field is 64 bytes, NUL-padded; ours are short literals.
    memcpy(entry + 4, description, strnlen(description, SEGMENT_DESCRIPTION_SIZE - 2));
    PutU32(entry + 68, 0);
    PutU32(entry + 72, (uint32_t)-1);
    PutF32(entry + 76, trackTime);
    PutU32(entry + 80, frameCount);
    PutU32(entry + 84, (uint32_t)offset);
    PutU32(entry + 88, (uint32_t)length);
    Append(out, entry, sizeof entry);
}

// The whole frames of a walked segment, closed by a next-section frame
// carrying the last frame's time when the walk found none.
static void AppendSegment(std::vector<unsigned char>* out, const unsigned char* bytes, const DemoSegment& segment,
                          int nextSectionType)
{
    Append(out, bytes + segment.offset, (size_t)(segment.walkedEnd - segment.offset));
    if (segment.end != SEGMENT_NEXT_SECTION)
        AppendNextSection(out, nextSectionType, segment.lastTime, segment.lastFrameNumber);
}

bool BuildRepairedDemo(const unsigned char* bytes, size_t size, const DemoStructure& structure,
                       std::vector<unsigned char>* out)
{
    if (structure.state != DEMO_UNFINISHED || !structure.headerWhole || structure.segments.empty() ||
        structure.lastWholeFrameEnd > size)
        return false;
    for (const DemoSegment& segment : structure.segments) {
        if (segment.walkedEnd < segment.offset || segment.walkedEnd > size)
            return false;
    }
    int nextSectionType = structure.header.demoProtocol == 4 ? 8 : 5;
    out->clear();
    out->reserve((size_t)structure.lastWholeFrameEnd + 2 * FRAME_HEADER_SIZE + DIRECTORY_SIZE);
    Append(out, bytes, DEMO_HEADER_SIZE);

    AppendSegment(out, bytes, structure.segments[0], nextSectionType);
    size_t playbackOffset = out->size();
    DemoSegment playback;
    if (structure.segments.size() > 1) {
        playback = structure.segments[1];
    } else {
        // The recording stopped during signon: an empty Playback closes it.
        memset(&playback, 0, sizeof playback);
        playback.offset = (uint32_t)structure.segments[0].walkedEnd;
        playback.walkedEnd = playback.offset;
        playback.end = SEGMENT_END_OF_FILE;
    }
    AppendSegment(out, bytes, playback, nextSectionType);
    size_t directory = out->size();
    // The closing next-section frame's time, walked or just written.
    float trackTime = ReadF32(&(*out)[directory - FRAME_HEADER_SIZE + 1]);

    unsigned char count[4];
    PutU32(count, 2);
    Append(out, count, sizeof count);
    AppendEntry(out, 0, "LOADING", 0, 0, DEMO_HEADER_SIZE, playbackOffset - DEMO_HEADER_SIZE);
    AppendEntry(out, 1, "Playback", trackTime, playback.framesByType[1], playbackOffset, directory - playbackOffset);
    PutU32(&(*out)[DIRECTORY_OFFSET_AT], (uint32_t)directory);
    return true;
}
