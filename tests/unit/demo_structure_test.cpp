// The frame walker on generated demos: header, directory, frames, states.
#include <gtest/gtest.h>

#include <string>

#include "tests/unit/structure_test_support.h"

// Frames of one type with a given variable part, in a demo of their own: the
// walk must step over each exactly, or the closing frame is not found.
TEST(DemoStructure, EveryFrameTypeHasItsSize)
{
    struct Row {
        int type;
        size_t countAt;   // where the frame's int32 count sits (0: none)
        uint32_t count;
        size_t size;      // the whole frame
    };
    static const Row rows[] = {
        {0, 473, 0, 477}, {0, 473, 10, 487}, {1, 473, 300, 777}, {2, 0, 0, 9}, {3, 0, 0, 73},
        {4, 0, 0, 41},    {6, 0, 0, 93},     {7, 0, 0, 17},      {8, 13, 5, 38}, {8, 13, 0, 33},
        {9, 9, 7, 20},    {9, 9, 0, 13},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "type " << row.type << " count " << row.count);
        StructuredDemoSpec spec;
        spec.playbackGroups = 1;
        StructuredDemoLayout layout;
        Bytes demo = BuildStructuredDemo(spec, &layout);
        // Insert the frame right after the Playback's demo-start frame.
        Bytes frame(row.size, 0);
        frame[0] = (unsigned char)row.type;
        if (row.countAt)
            Put32At(frame, row.countAt, row.count);
        size_t at = layout.playbackOffset + 9;
        demo.insert(demo.begin() + (long)at, frame.begin(), frame.end());
        Put32At(demo, 540, Get32At(demo, 540) + (uint32_t)row.size);
        size_t entry = layout.directoryOffset + row.size + 4 + 92;
        Put32At(demo, entry + 88, Get32At(demo, entry + 88) + (uint32_t)row.size);
        if (row.type == 1)
            Put32At(demo, entry + 80, Get32At(demo, entry + 80) + 1);

        DemoStructure structure = Structure(demo);
        ASSERT_EQ(DEMO_COMPLETE, structure.state) << structure.problem;
        const DemoSegment& playback = structure.segments[1];
        // The generated Playback already holds one frame of each type but 0.
        EXPECT_EQ(row.type == 0 ? 1u : 2u, playback.framesByType[row.type]);
        EXPECT_EQ(layout.directoryOffset + row.size, structure.lastWholeFrameEnd);
        EXPECT_EQ(SumOfTypes(playback), playback.framesWalked);
    }
}

TEST(DemoStructure, GeneratedDemoWalksCompleteWithEveryCount)
{
    StructuredDemoSpec spec;
    spec.mapName = "de_inferno";
    spec.playbackGroups = 5;
    StructuredDemoLayout layout;
    Bytes demo = BuildStructuredDemo(spec, &layout);
    DemoStructure structure = Structure(demo);

    EXPECT_EQ(DEMO_COMPLETE, structure.state);
    EXPECT_STREQ("", structure.problem);
    EXPECT_TRUE(structure.headerWhole);
    EXPECT_TRUE(structure.directoryUsable);
    EXPECT_FALSE(structure.walkedSequentially);
    EXPECT_STREQ("HLDEMO", structure.header.magic);
    EXPECT_EQ(5, structure.header.demoProtocol);
    EXPECT_EQ(48, structure.header.networkProtocol);
    EXPECT_STREQ("de_inferno", structure.header.mapName);
    EXPECT_STREQ("cstrike", structure.header.gameDir);
    EXPECT_EQ((int32_t)layout.directoryOffset, structure.header.directoryOffset);
    EXPECT_EQ(2, structure.directoryEntries);
    EXPECT_EQ(layout.directoryOffset, structure.lastWholeFrameEnd);

    ASSERT_EQ(2u, structure.segments.size());
    const DemoSegment& loading = structure.segments[0];
    EXPECT_STREQ("LOADING", loading.description);
    EXPECT_EQ(544u, loading.offset);
    EXPECT_EQ(3u, loading.framesByType[0]);
    EXPECT_EQ(1u, loading.framesByType[5]);
    EXPECT_EQ(4u, loading.framesWalked);
    EXPECT_EQ(0, loading.frameCount);

    const DemoSegment& playback = structure.segments[1];
    EXPECT_STREQ("Playback", playback.description);
    EXPECT_EQ(layout.playbackOffset, playback.offset);
    const uint32_t expected[FRAME_TYPE_COUNT] = {0, 5, 1, 5, 5, 1, 5, 5, 5, 5};
    for (int type = 0; type < FRAME_TYPE_COUNT; type++)
        EXPECT_EQ(expected[type], playback.framesByType[type]) << "type " << type;
    EXPECT_EQ(37u, playback.framesWalked);
    EXPECT_EQ(5, playback.frameCount);
    EXPECT_FLOAT_EQ(0.05f, playback.trackTime);
    EXPECT_FLOAT_EQ(0.05f, playback.lastTime);
    EXPECT_FLOAT_EQ(0.05f, structure.duration);
    EXPECT_EQ(SEGMENT_NEXT_SECTION, playback.end);
}

TEST(DemoStructure, StackedNextSectionFramesCloseLoading)
{
    for (int stacked : {1, 2, 9}) {
        SCOPED_TRACE(stacked);
        StructuredDemoSpec spec;
        spec.stackedNextSections = stacked;
        StructuredDemoLayout layout;
        Bytes demo = BuildStructuredDemo(spec, &layout);
        DemoStructure structure = Structure(demo);
        ASSERT_EQ(DEMO_COMPLETE, structure.state) << structure.problem;
        const DemoSegment& loading = structure.segments[0];
        EXPECT_EQ((uint32_t)stacked, loading.extraNextSections);
        EXPECT_EQ(1u + stacked, loading.framesByType[5]);
        EXPECT_EQ(layout.playbackOffset, loading.walkedEnd);
        // The closing frame's time, not the older recordings' of the stacked ones.
        EXPECT_FLOAT_EQ(200.375f, loading.lastTime);

        // The same frames in a crashed recording stay with LOADING too.
        spec.finished = false;
        structure = Structure(BuildStructuredDemo(spec));
        ASSERT_EQ(DEMO_UNFINISHED, structure.state);
        EXPECT_EQ((uint32_t)stacked, structure.segments[0].extraNextSections);
        EXPECT_EQ(1u, structure.segments[1].framesByType[2]);

        // Anything else after LOADING's closing frame, inside its entry, is damage.
        demo[layout.frames[NthFrame(layout, 5, 1)]] = 2;
        structure = Structure(demo);
        EXPECT_EQ(DEMO_DAMAGED, structure.state);
        EXPECT_EQ(SEGMENT_BAD_FRAME, structure.segments[0].end);
        EXPECT_NE(std::string::npos, std::string(structure.problem).find("follows the next-section frame"))
            << structure.problem;
    }
}

TEST(DemoStructure, FrameCutAtEachByteOfTheLastFrame)
{
    StructuredDemoSpec spec;
    spec.playbackGroups = 3;
    spec.finished = false;
    StructuredDemoLayout layout;
    Bytes whole = BuildStructuredDemo(spec, &layout);
    // The last frame (a weapon animation) and the last net-message frame.
    size_t lastNet = layout.frames[NthFrame(layout, 1, 2)];
    size_t last = layout.frames.back();
    size_t framesBefore = layout.frames.size();
    for (size_t cut = lastNet; cut <= whole.size(); cut++) {
        SCOPED_TRACE(cut);
        DemoStructure structure = Structure(Prefix(whole, cut));
        ASSERT_EQ(DEMO_UNFINISHED, structure.state) << structure.problem;
        ASSERT_EQ(2u, structure.segments.size());
        const DemoSegment& playback = structure.segments[1];
        EXPECT_EQ(SEGMENT_END_OF_FILE, playback.end);
        // Where the cut falls inside a frame, the walk ends at that frame's start.
        size_t expectedEnd = lastNet;
        for (size_t i = 0; i < layout.frames.size(); i++) {
            size_t next = i + 1 < layout.frames.size() ? layout.frames[i + 1] : whole.size();
            if (layout.frames[i] >= lastNet && next <= cut)
                expectedEnd = next;
        }
        EXPECT_EQ(expectedEnd, structure.lastWholeFrameEnd);
        EXPECT_EQ(expectedEnd, playback.walkedEnd);
        EXPECT_EQ(SumOfTypes(playback), playback.framesWalked);
        if (cut == whole.size()) {
            EXPECT_EQ(framesBefore - 4, structure.segments[1].framesWalked);
        } else if (cut > last) {
            EXPECT_EQ(last, structure.lastWholeFrameEnd);
        }
    }
    // The type is read from a frame's first byte: an unknown one is damage
    // however little of its frame is left.
    for (size_t kept : {1, 8, 9}) {
        SCOPED_TRACE(kept);
        Bytes bad = Prefix(whole, last + kept);
        bad[last] = 10;
        DemoStructure structure = Structure(bad);
        EXPECT_EQ(DEMO_DAMAGED, structure.state);
        EXPECT_NE(std::string::npos, std::string(structure.problem).find("unknown frame type 10")) << structure.problem;
    }
}

TEST(DemoStructure, BadFramesAreDamageWithWhereAndWhy)
{
    struct Row {
        const char* name;
        int type;           // the frame changed: the first Playback frame of this type
        size_t at;          // the byte changed, from the frame's start
        uint32_t value;     // written as one byte when at is 0, else as int32
        const char* why;
    };
    static const Row rows[] = {
        {"type 10", 4, 0, 10, "unknown frame type 10 at"},
        {"type 255", 6, 0, 255, "unknown frame type 255 at"},
        {"message over 65536", 1, 473, 65537, "impossible length"},
        {"negative message length", 1, 473, 0xFFFFFFFFu, "impossible length"},
        {"negative sound name length", 8, 13, 0x80000000u, "impossible length"},
        {"negative buffer length", 9, 9, 0xFFFFFFF0u, "impossible length"},
        {"message running past the segment", 1, 473, 60000, "runs past the end of Playback"},
    };
    for (bool finished : {true, false}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << row.name << (finished ? " in a finished demo" : " in a crashed one"));
            StructuredDemoSpec spec;
            spec.finished = finished;
            StructuredDemoLayout layout;
            Bytes demo = BuildStructuredDemo(spec, &layout);
            size_t frame = layout.frames[NthFrame(layout, row.type, 1)];
            if (row.at == 0)
                demo[frame] = (unsigned char)row.value;
            else
                Put32At(demo, frame + row.at, row.value);
            DemoStructure structure = Structure(demo);
            if (!finished && row.value == 60000) {
                // Without a directory a frame past the end is a cut.
                EXPECT_EQ(DEMO_UNFINISHED, structure.state);
                EXPECT_EQ(frame, structure.lastWholeFrameEnd);
                continue;
            }
            EXPECT_EQ(DEMO_DAMAGED, structure.state);
            EXPECT_EQ(SEGMENT_BAD_FRAME, structure.segments[1].end);
            EXPECT_NE(std::string::npos, std::string(structure.problem).find(row.why)) << structure.problem;
            EXPECT_NE(std::string::npos, std::string(structure.problem).find(std::to_string(frame)))
                << structure.problem;
            EXPECT_EQ(frame, structure.lastWholeFrameEnd);
        }
    }
}

TEST(DemoStructure, UnusableDirectoryFallsBackToTheSequentialWalk)
{
    struct Row {
        const char* name;
        size_t at;              // 0: the directory's own count; else a header or entry offset
        int64_t value;          // relative to the file size when sizeRelative
        bool sizeRelative;
        const char* why;
    };
    StructuredDemoLayout layout;
    Bytes finished = BuildStructuredDemo(StructuredDemoSpec(), &layout);
    size_t directory = layout.directoryOffset;
    size_t playbackEntry = directory + 4 + 92;
    const Row rows[] = {
        {"offset 0", 540, 0, false, "offset is 0"},
        {"offset inside the header", 540, 100, false, "inside the header"},
        {"offset past the end", 540, 10, true, "past the end of the file"},
        {"offset at the last three bytes", 540, -3, true, "past the end of the file"},
        {"count 0", directory, 0, false, "has 0 entries"},
        {"count 1025", directory, 1025, false, "has 1025 entries"},
        {"count -1", directory, -1, false, "has -1 entries"},
        {"count 3", directory, 3, false, "run past the end"},
        {"entry inside the header", playbackEntry + 84, 500, false, "entry 2 (Playback)"},
        {"entry past the directory", playbackEntry + 88, 100000, false, "entry 2 (Playback)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes demo = finished;
        Put32At(demo, row.at, (uint32_t)(row.sizeRelative ? (int64_t)demo.size() + row.value : row.value));
        DemoStructure structure = Structure(demo);
        EXPECT_FALSE(structure.directoryUsable);
        EXPECT_TRUE(structure.walkedSequentially);
        EXPECT_NE(std::string::npos, std::string(structure.directoryProblem).find(row.why))
            << structure.directoryProblem;
        // The frames are whole up to the directory: the file reads as cut there.
        EXPECT_EQ(DEMO_UNFINISHED, structure.state) << structure.problem;
        EXPECT_EQ(directory, structure.lastWholeFrameEnd);
        ASSERT_EQ(2u, structure.segments.size());
        EXPECT_EQ(SEGMENT_NEXT_SECTION, structure.segments[1].end);
        EXPECT_EQ(8, structure.segments[1].frameCount);
        EXPECT_EQ(layout.playbackOffset, structure.segments[1].offset);
    }
}

TEST(DemoStructure, UnfinishedRecording)
{
    StructuredDemoSpec spec;
    spec.finished = false;
    spec.playbackGroups = 4;
    StructuredDemoLayout layout;
    Bytes demo = BuildStructuredDemo(spec, &layout);
    DemoStructure structure = Structure(demo);
    EXPECT_EQ(DEMO_UNFINISHED, structure.state);
    EXPECT_NE(std::string::npos, std::string(structure.problem).find("not finished")) << structure.problem;
    EXPECT_EQ(0, structure.header.directoryOffset);
    EXPECT_EQ(demo.size(), structure.lastWholeFrameEnd);
    ASSERT_EQ(2u, structure.segments.size());
    const DemoSegment& playback = structure.segments[1];
    EXPECT_EQ(SEGMENT_END_OF_FILE, playback.end);
    EXPECT_EQ(4, playback.frameCount);
    EXPECT_EQ(demo.size() - layout.playbackOffset, playback.length);
    EXPECT_FLOAT_EQ(0.04f, structure.duration);
}

TEST(DemoStructure, ShortAndForeignFiles)
{
    struct Row {
        const char* name;
        Bytes bytes;
        DemoState state;
        bool headerWhole;
        size_t segments;
    };
    Bytes header = Prefix(BuildStructuredDemo(StructuredDemoSpec()), 544);
    Put32At(header, 540, 0);
    Bytes foreign = BuildStructuredDemo(StructuredDemoSpec());
    foreign[0] = 'X';
    Bytes nearly = BuildStructuredDemo(StructuredDemoSpec());
    nearly[5] = 'X';
    const Row rows[] = {
        {"empty", Bytes(), DEMO_DAMAGED, false, 0},
        {"543 bytes", Prefix(header, 543), DEMO_DAMAGED, false, 0},
        {"only the header", header, DEMO_UNFINISHED, true, 1},
        {"not HLDEMO", foreign, DEMO_DAMAGED, true, 0},
        {"HLDEMX", nearly, DEMO_DAMAGED, true, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DemoStructure structure = Structure(row.bytes);
        EXPECT_EQ(row.state, structure.state) << structure.problem;
        EXPECT_EQ(row.headerWhole, structure.headerWhole);
        EXPECT_EQ(row.segments, structure.segments.size());
        EXPECT_LE(structure.lastWholeFrameEnd, row.bytes.size() < 544 ? 0 : row.bytes.size());
        EXPECT_STRNE("", structure.problem);
    }
}

// A structure read again holds only what the new file gives.
TEST(DemoStructure, ReadingAgainForgetsTheFileBefore)
{
    StructuredDemoSpec spec;
    spec.chat = {Chat("#Cstrike_Chat_All", "hi")};
    spec.players = {{0, 1, "Alice"}};
    Bytes first = BuildStructuredDemo(spec);
    Put32At(first, 540, 0);
    Bytes second = BuildStructuredDemo(StructuredDemoSpec());
    DemoStructure structure;
    ReadDemoStructure(first.data(), first.size(), &structure);
    ASSERT_TRUE(structure.walkedSequentially);
    ASSERT_STRNE("", structure.directoryProblem);
    ReadDemoStructure(second.data(), second.size(), &structure);
    DemoStructure fresh = Structure(second);
    EXPECT_EQ(DEMO_COMPLETE, structure.state);
    EXPECT_FALSE(structure.walkedSequentially);
    EXPECT_STREQ("", structure.directoryProblem);
    EXPECT_STREQ("", structure.problem);
    EXPECT_EQ(fresh.segments.size(), structure.segments.size());
    EXPECT_EQ(fresh.userMessages.size(), structure.userMessages.size());
    EXPECT_TRUE(structure.chat.empty());
    EXPECT_TRUE(structure.players.empty());
    EXPECT_EQ(fresh.duration, structure.duration);
    EXPECT_EQ(fresh.lastWholeFrameEnd, structure.lastWholeFrameEnd);
}

TEST(DemoStructure, ViewportIsTheMostCommonNonZeroSize)
{
    struct Row {
        const char* name;
        int playbackWidth, playbackHeight, loadingWidth, loadingHeight;
        int changedFrames;   // Playback net messages set to 800x600
        bool cutBeforePlayback;
        int width, height;
    };
    static const Row rows[] = {
        {"playback size", 1440, 900, 0, 0, 0, false, 1440, 900},
        {"loading differs", 1920, 1009, 1760, 990, 0, false, 1920, 1009},
        {"all zero (HLTV)", 0, 0, 0, 0, 0, false, 0, 0},
        {"zero playback, sized loading", 0, 0, 1760, 990, 0, false, 0, 0},
        {"minority changed", 1920, 1080, 0, 0, 3, false, 1920, 1080},
        {"majority changed", 1920, 1080, 0, 0, 5, false, 800, 600},
        {"no playback: loading counts", 1920, 1080, 1760, 990, 0, true, 1760, 990},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StructuredDemoSpec spec;
        spec.viewportWidth = row.playbackWidth;
        spec.viewportHeight = row.playbackHeight;
        spec.loadingViewportWidth = row.loadingWidth;
        spec.loadingViewportHeight = row.loadingHeight;
        spec.playbackGroups = 8;
        StructuredDemoLayout layout;
        Bytes demo = BuildStructuredDemo(spec, &layout);
        for (int i = 0; i < row.changedFrames; i++) {
            size_t frame = layout.frames[NthFrame(layout, 1, (size_t)i)];
            Put32At(demo, frame + 229, 800);
            Put32At(demo, frame + 233, 600);
        }
        if (row.cutBeforePlayback) {
            demo = Prefix(demo, layout.playbackOffset - 9);
            Put32At(demo, 540, 0);
        }
        DemoStructure structure = Structure(demo);
        EXPECT_EQ(row.width, structure.viewportWidth);
        EXPECT_EQ(row.height, structure.viewportHeight);
    }
}

// A size counts whole: frames sharing only a width or a height with another
// size do not add to it.
TEST(DemoStructure, ViewportSizesCountWhole)
{
    StructuredDemoSpec spec;
    spec.playbackGroups = 10;   // 1920x1080 unless changed
    StructuredDemoLayout layout;
    Bytes demo = BuildStructuredDemo(spec, &layout);
    const int sizes[][2] = {{1920, 1200}, {1920, 1200}, {1920, 1200}, {1600, 900}, {1600, 900},
                            {1600, 900},  {1600, 900},  {1280, 1080}};
    for (size_t i = 0; i < sizeof sizes / sizeof sizes[0]; i++) {
        size_t frame = layout.frames[NthFrame(layout, 1, i)];
        Put32At(demo, frame + 229, (uint32_t)sizes[i][0]);
        Put32At(demo, frame + 233, (uint32_t)sizes[i][1]);
    }
    DemoStructure structure = Structure(demo);
    EXPECT_EQ(1600, structure.viewportWidth);
    EXPECT_EQ(900, structure.viewportHeight);
}

// The tally keeps 32 sizes: the 32nd still counts, a 33rd is not counted.
TEST(DemoStructure, ViewportTallyHoldsThirtyTwoSizes)
{
    struct Row {
        int distinct;        // the first Playback net frames, each of a size of its own
        int width, height;
    };
    static const Row rows[] = {{31, 1920, 1080}, {32, 101, 101}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.distinct);
        StructuredDemoSpec spec;
        spec.playbackGroups = 40;
        StructuredDemoLayout layout;
        Bytes demo = BuildStructuredDemo(spec, &layout);
        for (int i = 0; i < row.distinct; i++) {
            size_t frame = layout.frames[NthFrame(layout, 1, (size_t)i)];
            Put32At(demo, frame + 229, 101 + (uint32_t)i);
            Put32At(demo, frame + 233, 101 + (uint32_t)i);
        }
        DemoStructure structure = Structure(demo);
        EXPECT_EQ(row.width, structure.viewportWidth);
        EXPECT_EQ(row.height, structure.viewportHeight);
    }
}

TEST(DemoStructure, UserMessageRegistrations)
{
    StructuredDemoSpec spec;
    spec.userMessages = {{"ReqState", 0}, {"SayText", -1}, {"Health", 1}, {"WeaponList", 29}};
    DemoStructure structure = Structure(BuildStructuredDemo(spec));
    ASSERT_EQ(DEMO_COMPLETE, structure.state);
    EXPECT_EQ(65, structure.sayTextId);
    ASSERT_EQ(4u, structure.userMessages.size());
    // Sent newest first.
    EXPECT_EQ(67, structure.userMessages[0].id);
    EXPECT_STREQ("WeaponList", structure.userMessages[0].name);
    EXPECT_EQ(29, structure.userMessages[0].size);
    EXPECT_EQ(65, structure.userMessages[2].id);
    EXPECT_EQ(-1, structure.userMessages[2].size);

    spec.userMessages = {{"ReqState", 0}, {"Health", 1}};
    structure = Structure(BuildStructuredDemo(spec));
    EXPECT_EQ(-1, structure.sayTextId);
    EXPECT_TRUE(structure.chat.empty());
}

// A demo protocol 4 (WON) recording made with the layout's writers: a signon
// frame, the frame given, each segment closed by a type-8 frame.
static Bytes WonDemo(const Bytes& playbackFrame)
{
    Bytes demo(DEMO_HEADER_SIZE, 0);
    memcpy(demo.data(), "HLDEMO", 6);
    Put32At(demo, 8, 4);
    Put32At(demo, 12, 40);
    Bytes signon(37, 0);   // six floats, then a message length of 0
    demo.insert(demo.end(), signon.begin(), signon.end());
    AppendNextSectionFrame(&demo, 4, 0.5f, 1);
    uint32_t playback = (uint32_t)demo.size();
    demo.insert(demo.end(), playbackFrame.begin(), playbackFrame.end());
    AppendNextSectionFrame(&demo, 4, 3.0f, 2);
    uint32_t directory = (uint32_t)demo.size();
    const DirectoryEntry entries[2] = {
        FinishedEntry(0, "LOADING", 0, 0, DEMO_HEADER_SIZE, playback - DEMO_HEADER_SIZE),
        FinishedEntry(1, "Playback", 3.0f, 1, playback, directory - playback)};
    AppendDirectory(&demo, entries, 2);
    PutDirectoryOffset(demo.data(), directory);
    return demo;
}

TEST(DemoStructure, WonFramesHaveTheirOwnSizes)
{
    struct Row {
        int type;
        size_t countAt;   // 0: none
        int32_t count;
        size_t size;      // the whole frame; 0: bad
    };
    static const Row rows[] = {
        {0, 33, 0, 37}, {1, 33, 300, 337}, {1, 33, 65536, 65573}, {1, 33, 65537, 0}, {2, 0, 0, 9},
        {3, 0, 0, 37},  {4, 0, 0, 9},      {5, 0, 0, 73},         {6, 0, 0, 73},     {7, 9, 5, 18},
        {7, 9, 0, 13},  {7, 9, -1, 0},     {9, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "type " << row.type << " count " << row.count);
        Bytes frame(row.size ? row.size : row.countAt + 9, 0);
        frame[0] = (unsigned char)row.type;
        if (row.countAt)
            Put32At(frame, row.countAt, (uint32_t)row.count);
        Bytes demo = WonDemo(frame);
        DemoStructure structure = Structure(demo);
        ASSERT_EQ(2u, structure.segments.size());
        const DemoSegment& playback = structure.segments[1];
        if (row.size == 0) {
            EXPECT_EQ(DEMO_DAMAGED, structure.state);
            EXPECT_EQ(SEGMENT_BAD_FRAME, playback.end);
            continue;
        }
        ASSERT_EQ(DEMO_COMPLETE, structure.state) << structure.problem;
        EXPECT_EQ(1u, structure.segments[0].framesByType[0]);
        EXPECT_EQ(1u, playback.framesByType[row.type]);
        EXPECT_EQ(1u, playback.framesByType[8]);
        EXPECT_EQ(2u, playback.framesWalked);
        EXPECT_EQ(3.0f, playback.lastTime);
        EXPECT_EQ(2, playback.lastFrameNumber);
    }
}

// The directory a cutter writes: any number of entries, each walked to its
// own next-section frame, read back as written.
TEST(DemoStructure, DirectoryWrittenEntryByEntry)
{
    StructuredDemoLayout layout;
    Bytes source = BuildStructuredDemo(StructuredDemoSpec(), &layout);
    Bytes demo = Prefix(source, layout.directoryOffset);
    // A third segment: a demo-start frame and its closing frame.
    uint32_t third = (uint32_t)demo.size();
    AppendFrameHeader(&demo, FrameHeader{2, 7.25f, 40});
    AppendNextSectionFrame(&demo, 5, 7.5f, 41);
    uint32_t directory = (uint32_t)demo.size();
    const std::string longDescription(70, 'd');
    const DirectoryEntry entries[3] = {
        FinishedEntry(0, "LOADING", 0, 0, DEMO_HEADER_SIZE, (uint32_t)layout.playbackOffset - DEMO_HEADER_SIZE),
        FinishedEntry(1, "Playback", 0.08f, 8, (uint32_t)layout.playbackOffset,
                      third - (uint32_t)layout.playbackOffset),
        FinishedEntry(1, longDescription.c_str(), 7.5f, 0, third, directory - third)};
    AppendDirectory(&demo, entries, 3);
    PutDirectoryOffset(demo.data(), directory);
    ASSERT_EQ(directory + DirectorySize(3), demo.size());

    DemoStructure structure = Structure(demo);
    ASSERT_EQ(DEMO_COMPLETE, structure.state) << structure.problem;
    ASSERT_EQ(3, structure.directoryEntries);
    for (size_t i = 0; i < 3; i++) {
        SCOPED_TRACE(i);
        const DemoSegment& segment = structure.segments[i];
        EXPECT_EQ(entries[i].type, segment.type);
        EXPECT_EQ(entries[i].offset, segment.offset);
        EXPECT_EQ(entries[i].length, segment.length);
        EXPECT_EQ(entries[i].trackTime, segment.trackTime);
        EXPECT_EQ(entries[i].frameCount, segment.frameCount);
        EXPECT_EQ(SEGMENT_NEXT_SECTION, segment.end);
        // Flags 0 and CD track -1, as a finished recording has them.
        size_t entry = directory + 4 + i * DIRECTORY_ENTRY_SIZE;
        EXPECT_EQ(0u, Get32At(demo, entry + 68));
        EXPECT_EQ(0xFFFFFFFFu, Get32At(demo, entry + 72));
        // The reader gives back every field the writer wrote.
        DirectoryEntry back;
        memset(&back, 0x55, sizeof back);
        ReadDirectoryEntry(&demo[directory], i, &back);
        EXPECT_EQ(0, memcmp(&entries[i], &back, offsetof(DirectoryEntry, description))) << "type";
        EXPECT_STREQ(i == 2 ? longDescription.substr(0, 63).c_str() : entries[i].description, back.description);
        EXPECT_EQ(entries[i].flags, back.flags);
        EXPECT_EQ(entries[i].cdTrack, back.cdTrack);
        EXPECT_EQ(entries[i].trackTime, back.trackTime);
        EXPECT_EQ(entries[i].frameCount, back.frameCount);
        EXPECT_EQ(entries[i].offset, back.offset);
        EXPECT_EQ(entries[i].length, back.length);
    }
    // The 64-byte field keeps its NUL: the description is cut to 63 bytes.
    EXPECT_EQ(longDescription.substr(0, 63), structure.segments[2].description);
    EXPECT_EQ(7.5f, structure.segments[2].lastTime);
    EXPECT_EQ(41, structure.segments[2].lastFrameNumber);
    EXPECT_EQ(1u, structure.segments[2].framesByType[2]);
}
