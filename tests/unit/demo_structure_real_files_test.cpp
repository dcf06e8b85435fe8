// The structure layer on the real recordings of the corpus folder.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "demo/demo_structure.h"
#include "tests/unit/demo_test_support.h"

// The hand-cut fixture of one frame per type: its directory entry is longer
// than the file, so it walks sequentially and reads as cut short.
static const char FixtureName[] = "YaLTeR__hldemo-rs__frame-types.dem";

static bool IsFixture(const std::string& name)
{
    return name == FixtureName;
}

TEST(DemoStructureRealFiles, EveryRecordingIsCompleteWithTheDirectorysCounts)
{
    REQUIRE_DEMO_CORPUS();
    DemoStructure structure;
    for (const std::string& name : DemoCorpusNames()) {
        SCOPED_TRACE(name);
        Bytes bytes = ReadRealDemo(name.c_str());
        ASSERT_FALSE(bytes.empty());
        ReadDemoStructure(bytes.data(), bytes.size(), &structure);
        if (IsFixture(name)) {
            EXPECT_EQ(DEMO_UNFINISHED, structure.state);
            EXPECT_FALSE(structure.directoryUsable);
            EXPECT_EQ(1786u, structure.lastWholeFrameEnd);   // where its directory starts
            continue;
        }
        EXPECT_EQ(DEMO_COMPLETE, structure.state) << structure.problem;
        EXPECT_STREQ("", structure.problem);
        EXPECT_EQ((uint64_t)structure.header.directoryOffset, structure.lastWholeFrameEnd);
        ASSERT_EQ(2u, structure.segments.size());
        for (const DemoSegment& segment : structure.segments) {
            EXPECT_EQ(SEGMENT_NEXT_SECTION, segment.end) << segment.description;
            EXPECT_EQ((uint32_t)segment.frameCount, segment.framesByType[1]) << segment.description;
            EXPECT_EQ((uint64_t)segment.offset + segment.length, segment.walkedEnd) << segment.description;
        }
        EXPECT_EQ(structure.segments[1].trackTime, structure.segments[1].lastTime);
        EXPECT_EQ(structure.segments[1].trackTime, structure.duration);
    }
}

TEST(DemoStructureRealFiles, SayTextIdsAndViewports)
{
    struct Row {
        const char* name;
        int sayTextId;
        int width, height;   // 0, 0: none
    };
    static const Row rows[] = {
        {"YaLTeR__hldemo-rs__basic.dem", 74, 1278, 1414},
        {"khanghugo__dem__weapon.dem", 76, 1024, 768},
        {"hobokenn__won-demo-parser__1016.dem", 74, 0, 0},
        {"hobokenn__won-demo-parser__cool.dem", 78, 0, 0},
        {"willard1215__DemoAnalyserRS__274_dcj_Desu.dem", 76, 1920, 1080},
        {"UnrealKaraulov__UnrealDemoScanner__demotesttestste.dem-2405171129-cs_assault.dem", 76, 0, 0},
        {"UnrealKaraulov__UnrealDemoScanner__vermilion_SINGLE_1_AIM.dem", 76, 1024, 768},
        {"UnrealKaraulov__UnrealDemoScanner__antifak.dem", 76, 1760, 990},
        {"UnrealKaraulov__UnrealDemoScanner__test_name_change.dem", 76, 1760, 990},
    };
    REQUIRE_DEMO_CORPUS();
    DemoStructure structure;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        REQUIRE_CORPUS_DEMO(row.name);
        Bytes bytes = ReadRealDemo(row.name);
        ASSERT_FALSE(bytes.empty());
        ReadDemoStructure(bytes.data(), bytes.size(), &structure);
        EXPECT_EQ(row.sayTextId, structure.sayTextId);
        EXPECT_EQ(row.width, structure.viewportWidth);
        EXPECT_EQ(row.height, structure.viewportHeight);
    }
}

TEST(DemoStructureRealFiles, ChatAndSenders)
{
    struct Row {
        const char* name;
        size_t chat, byWalk;
        const char* firstKey;
        const char* firstText;
        const char* firstSender;
    };
    static const Row rows[] = {
        {"UnrealKaraulov__UnrealDemoScanner__antifak.dem", 7, 7, "#Cstrike_Chat_All", "Test spam", "222ahahahaha555"},
        {"UnrealKaraulov__UnrealDemoScanner__test_name_change.dem", 3, 0, "#Cstrike_Name_Change",
         "Karaul0v changed name to ahahahaha", "ahahahaha"},
        {"willard1215__DemoAnalyserRS__274_dcj_Desu.dem", 3, 3, "", "[XJ] desu jumped 274.701 units with Double CountJump!   ",
         "desu"},
        {"khanghugo__dem__weapon.dem", 0, 0, "", "", ""},
    };
    REQUIRE_DEMO_CORPUS();
    DemoStructure structure;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        REQUIRE_CORPUS_DEMO(row.name);
        Bytes bytes = ReadRealDemo(row.name);
        ASSERT_FALSE(bytes.empty());
        ReadDemoStructure(bytes.data(), bytes.size(), &structure);
        ASSERT_EQ(row.chat, structure.chat.size());
        size_t byWalk = 0;
        for (const ChatMessage& message : structure.chat) {
            byWalk += message.foundByWalk;
            // The sender byte is an entity index: player slot + 1.
            EXPECT_EQ(1, message.sender);
            EXPECT_FALSE(IsSteamTeamChat(message));
        }
        EXPECT_EQ(row.byWalk, byWalk);
        if (row.chat == 0)
            continue;
        const ChatMessage& first = structure.chat[0];
        char text[CHAT_TEXT_SIZE];
        ChatText(text, sizeof text, first);
        EXPECT_STREQ(row.firstKey, first.key);
        EXPECT_STREQ(row.firstText, text);
        EXPECT_STREQ(row.firstSender, SenderName(structure, first));
    }
}
