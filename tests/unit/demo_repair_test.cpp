// Repairing crashed recordings and taking Steam team chat out.
#include <gtest/gtest.h>

#include <string>

#include "demo/demo_repair.h"
#include "demo/steam_team_chat.h"
#include "tests/unit/demo_test_support.h"
#include "tests/unit/structure_test_support.h"

// Repairs input and checks the result: it walks complete, its directory is
// as a finished recording has it, and its frames are the input's whole frames
// byte for byte, with a next-section frame added only where one was missing.
static void ExpectRepaired(const Bytes& input)
{
    DemoStructure before = Structure(input);
    ASSERT_EQ(DEMO_UNFINISHED, before.state) << before.problem;
    Bytes repaired;
    ASSERT_TRUE(BuildRepairedDemo(input.data(), input.size(), before, &repaired));
    DemoStructure after = Structure(repaired);
    ASSERT_EQ(DEMO_COMPLETE, after.state) << after.problem;
    ASSERT_EQ(2u, after.segments.size());
    const DemoSegment& loading = after.segments[0];
    const DemoSegment& playback = after.segments[1];
    size_t directory = (size_t)after.header.directoryOffset;
    EXPECT_EQ(repaired.size(), directory + 4 + 2 * 92);
    EXPECT_EQ(0, memcmp(input.data(), repaired.data(), 540));

    // Directory entries: flags 0, CD track -1; LOADING at 544 with no count
    // and no time; Playback with its type-1 count and closing frame's time.
    for (size_t entry = directory + 4; entry < repaired.size(); entry += 92) {
        EXPECT_EQ(0u, Get32At(repaired, entry + 68));
        EXPECT_EQ(0xFFFFFFFFu, Get32At(repaired, entry + 72));
    }
    EXPECT_EQ(544u, loading.offset);
    EXPECT_EQ(0.0f, loading.trackTime);
    EXPECT_EQ(0, loading.frameCount);
    EXPECT_EQ((int32_t)playback.framesByType[1], playback.frameCount);
    EXPECT_EQ(playback.lastTime, playback.trackTime);

    // The frames, segment by segment.
    for (size_t i = 0; i < 2; i++) {
        const DemoSegment& old = i < before.segments.size() ? before.segments[i] : before.segments[0];
        size_t oldStart = i < before.segments.size() ? old.offset : (size_t)old.walkedEnd;
        size_t oldEnd = i < before.segments.size() ? (size_t)old.walkedEnd : oldStart;
        const DemoSegment& now = after.segments[i];
        size_t kept = oldEnd - oldStart;
        bool closed = i < before.segments.size() && old.end == SEGMENT_NEXT_SECTION;
        EXPECT_EQ(kept + (closed ? 0 : 9), now.length) << now.description;
        EXPECT_EQ(0, memcmp(input.data() + oldStart, repaired.data() + now.offset, kept)) << now.description;
        if (i < before.segments.size()) {
            EXPECT_EQ(old.framesWalked + (closed ? 0 : 1), now.framesWalked) << now.description;
            // A closing frame written here carries the last whole frame's time and number.
            EXPECT_EQ(old.lastTime, now.lastTime) << now.description;
            EXPECT_EQ(old.lastFrameNumber, now.lastFrameNumber) << now.description;
        }
    }
}

TEST(DemoRepair, GeneratedDemosCutAtEveryByte)
{
    StructuredDemoSpec spec;
    spec.playbackGroups = 3;
    spec.stackedNextSections = 2;
    spec.chat = {Chat("#Cstrike_Chat_T", "x"), Chat("#Cstrike_Chat_All", "y", true)};
    spec.finished = false;
    Bytes whole = BuildStructuredDemo(spec);
    for (size_t cut = 544; cut <= whole.size(); cut++) {
        SCOPED_TRACE(cut);
        ExpectRepaired(Prefix(whole, cut));
        if (HasFatalFailure())
            return;
    }
}

TEST(DemoRepair, OnlyUnfinishedDemosAreRepaired)
{
    StructuredDemoLayout layout;
    Bytes complete = BuildStructuredDemo(StructuredDemoSpec(), &layout);
    Bytes damaged = complete;
    damaged[layout.frames[NthFrame(layout, 4, 0)]] = 42;
    Bytes unfinished = complete;
    Put32At(unfinished, 540, 0);
    struct Row {
        const char* name;
        const Bytes* bytes;
        bool repaired;
    };
    const Row rows[] = {{"complete", &complete, false}, {"damaged", &damaged, false}, {"directory offset 0", &unfinished, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes out = {1, 2, 3};
        DemoStructure structure = Structure(*row.bytes);
        EXPECT_EQ(row.repaired, BuildRepairedDemo(row.bytes->data(), row.bytes->size(), structure, &out));
        if (!row.repaired) {
            EXPECT_EQ(Bytes({1, 2, 3}), out);
        }
    }
    // A lost directory comes back as it was.
    Bytes out;
    DemoStructure structure = Structure(unfinished);
    ASSERT_TRUE(BuildRepairedDemo(unfinished.data(), unfinished.size(), structure, &out));
    EXPECT_EQ(complete, out);

    // A structure that does not describe the bytes given is refused, not followed.
    DemoStructure noHeader = structure, noSegments = structure;
    noHeader.headerWhole = false;
    noSegments.segments.clear();
    Bytes untouched = {1, 2, 3};
    EXPECT_FALSE(BuildRepairedDemo(unfinished.data(), (size_t)structure.lastWholeFrameEnd - 1, structure, &untouched));
    EXPECT_FALSE(BuildRepairedDemo(unfinished.data(), unfinished.size(), noHeader, &untouched));
    EXPECT_FALSE(BuildRepairedDemo(unfinished.data(), unfinished.size(), noSegments, &untouched));
    EXPECT_EQ(Bytes({1, 2, 3}), untouched);
}

TEST(DemoSteamTeamChat, NopsTeamLinesOnlyAndKeepsTheWalkComplete)
{
    StructuredDemoSpec spec;
    spec.playbackGroups = 3;
    spec.chat = {Chat("#Cstrike_Chat_T", "hold B"),         Chat("#Cstrike_Chat_All", "gg"),
                 Chat("#Cstrike_Chat_CT_Dead", "low", true), Chat("#Cstrike_Chat_AllDead", "rip", true),
                 Chat("#Cstrike_Chat_T_Loc", "here"),       Chat("", "(TEAM) bob: older form"),
                 Chat("#Cstrike_Chat_Spec", "spec", true),  Chat("#Cstrike_Chat_CT", "last")};
    StructuredDemoLayout layout;
    Bytes demo = BuildStructuredDemo(spec, &layout);
    DemoStructure before = Structure(demo);
    ASSERT_EQ(8u, before.chat.size());
    Bytes stripped = demo;
    EXPECT_EQ(5u, NopSteamTeamChat(stripped.data(), stripped.size(), before));

    DemoStructure after = Structure(stripped);
    EXPECT_EQ(DEMO_COMPLETE, after.state) << after.problem;
    ASSERT_EQ(3u, after.chat.size());
    for (const ChatMessage& message : after.chat)
        EXPECT_FALSE(IsSteamTeamChat(message)) << message.key;
    // Every byte outside the team messages is as it was; inside, all nops.
    for (size_t i = 0; i < demo.size(); i++) {
        bool inTeam = false;
        for (const ChatMessage& message : before.chat)
            inTeam = inTeam || (IsSteamTeamChat(message) && i >= message.offset && i < message.offset + message.length);
        EXPECT_EQ(inTeam ? 0x01 : demo[i], stripped[i]) << "byte " << i;
    }
    // Nothing left to strip the second time.
    EXPECT_EQ(0u, NopSteamTeamChat(stripped.data(), stripped.size(), after));

    // A message the bytes do not hold is passed over; the others are stripped.
    DemoStructure stray = before;
    stray.chat.insert(stray.chat.begin(), before.chat[0]);
    stray.chat[0].offset = demo.size() - 1;
    Bytes again = demo;
    EXPECT_EQ(5u, NopSteamTeamChat(again.data(), again.size(), stray));
    EXPECT_EQ(stripped, again);
}

TEST(DemoRepairRealFiles, CorpusDemosCutAtSeveralPointsRepairWhole)
{
    REQUIRE_DEMO_CORPUS();
    for (const std::string& name : DemoCorpusNames()) {
        SCOPED_TRACE(name);
        Bytes demo = ReadRealDemo(name.c_str());
        DemoStructure structure = Structure(demo);
        if (structure.state == DEMO_UNFINISHED) {
            ExpectRepaired(demo);   // the hand-cut fixture
            continue;
        }
        ASSERT_EQ(DEMO_COMPLETE, structure.state);
        size_t loadingEnd = structure.segments[0].walkedEnd;
        size_t directory = (size_t)structure.header.directoryOffset;
        const size_t cuts[] = {545, loadingEnd - 5, loadingEnd, loadingEnd + 1, loadingEnd + 500,
                               directory / 2, directory - 10, directory - 9, directory};
        for (size_t cut : cuts) {
            for (bool zeroed : {true, false}) {
                SCOPED_TRACE(testing::Message() << "cut at " << cut << (zeroed ? ", offset zeroed" : ""));
                Bytes copy = Prefix(demo, cut);
                if (zeroed)
                    Put32At(copy, 540, 0);
                ExpectRepaired(copy);
                if (cut == directory) {
                    // Nothing was lost: the same frames as the original directory lists.
                    Bytes repaired;
                    DemoStructure cutStructure = Structure(copy);
                    BuildRepairedDemo(copy.data(), copy.size(), cutStructure, &repaired);
                    DemoStructure again = Structure(repaired);
                    EXPECT_EQ(structure.segments[1].frameCount, again.segments[1].frameCount);
                    EXPECT_EQ(structure.segments[1].trackTime, again.segments[1].trackTime);
                }
            }
        }
    }
}

TEST(DemoSteamTeamChatRealFiles, CorpusDemosHaveNoTeamChatToStrip)
{
    REQUIRE_DEMO_CORPUS();
    for (const std::string& name : DemoCorpusNames()) {
        SCOPED_TRACE(name);
        Bytes demo = ReadRealDemo(name.c_str());
        Bytes copy = demo;
        EXPECT_EQ(0u, NopSteamTeamChat(copy.data(), copy.size(), Structure(demo)));
        EXPECT_TRUE(copy == demo);
    }
}
