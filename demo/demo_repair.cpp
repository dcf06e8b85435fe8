#include "demo/demo_repair.h"

#include <string.h>

#include "demo/demo_layout.h"

static void Append(std::vector<unsigned char>* out, const unsigned char* bytes, size_t count)
{
    out->insert(out->end(), bytes, bytes + count);
}

// The whole frames of a walked segment, closed by a next-section frame
// carrying the last frame's time when the walk found none.
static void AppendSegment(std::vector<unsigned char>* out, const unsigned char* bytes, const DemoSegment& segment,
                          int32_t demoProtocol)
{
    Append(out, bytes + segment.offset, (size_t)(segment.walkedEnd - segment.offset));
    if (segment.end != SEGMENT_NEXT_SECTION)
        AppendNextSectionFrame(out, demoProtocol, segment.lastTime, segment.lastFrameNumber);
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
    int32_t demoProtocol = structure.header.demoProtocol;
    out->clear();
    out->reserve((size_t)structure.lastWholeFrameEnd + 2 * FRAME_HEADER_SIZE + DirectorySize(2));
    Append(out, bytes, DEMO_HEADER_SIZE);

    AppendSegment(out, bytes, structure.segments[0], demoProtocol);
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
    AppendSegment(out, bytes, playback, demoProtocol);
    size_t directory = out->size();
    // The closing next-section frame's time, walked or just written.
    FrameHeader closing;
    ReadFrameHeader(&(*out)[directory - FRAME_HEADER_SIZE], FRAME_HEADER_SIZE, &closing);

    const DirectoryEntry entries[2] = {
        FinishedEntry(0, "LOADING", 0, 0, DEMO_HEADER_SIZE, (uint32_t)(playbackOffset - DEMO_HEADER_SIZE)),
        FinishedEntry(1, "Playback", closing.time, (int32_t)playback.framesByType[1], (uint32_t)playbackOffset,
                      (uint32_t)(directory - playbackOffset))};
    AppendDirectory(out, entries, 2);
    PutDirectoryOffset(out->data(), (uint32_t)directory);
    return true;
}
