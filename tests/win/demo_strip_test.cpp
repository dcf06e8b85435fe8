#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "demo/strip.h"
#include "tests/support/test_files.h"
#include "tests/win/support/demo_test_support.h"
#include "tests/win/support/expected_boxes.h"
#include "tests/win/support/recorded_messages.h"
#include "tools/sample_demo.h"

static SampleDemoSpec ChatSpec()
{
    SampleDemoSpec spec;
    spec.teamMessages = {"(Terrorist) rush b", "(All) gg", "*DEAD*(CT) wait", "(Counter-Terrorist) ok"};
    return spec;
}

static void Strip(HWND mainDialog)
{
    StripTeamMessages(mainDialog);
}

// Strips the scene's demo and expects the question, then the count.
static void ExpectStripped(const DemoScene& scene, const char* count)
{
    TakeRecordedBoxes();
    StripTeamMessages(scene.mainDialog);
    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(2u, boxes.size());
    ExpectBox(boxes[0], "Strip teamsays?", "Flickbox", QUESTION);
    ExpectBox(boxes[1], count, "Flickbox", NOTICE);
}

TEST(DemoStrip, CancelLeavesTheFileUnopened)
{
    ExpectCancelLeavesTheFileUnopened(Strip, "Strip teamsays?", BuildSampleDemo(ChatSpec()),
                                      "strip-cancel");
}

TEST(DemoStrip, BlanksTeamMessagesAndCountsThem)
{
    DemoScene scene = OpenDemoScene("strip-count", "chat.dem");
    ASSERT_TRUE(WriteSampleDemo(scene.demo.c_str(), ChatSpec()));
    std::vector<unsigned char> before = ReadFileBytes(scene.demo);

    ExpectStripped(scene, "3 messages stripped.");

    // Each team message became K, its length, 02 00 and zeros; all else stayed.
    std::vector<unsigned char> after = ReadFileBytes(scene.demo);
    ASSERT_EQ(before.size(), after.size());
    std::vector<unsigned char> expected = before;
    for (const std::string& text : ChatSpec().teamMessages) {
        if (text == "(All) gg")
            continue;
        std::string needle = text;
        auto at = std::search(expected.begin(), expected.end(), needle.begin(), needle.end());
        ASSERT_NE(expected.end(), at);
        size_t start = (at - expected.begin()) - 4;
        unsigned length = expected[start + 1];
        expected[start] = 0x4B;
        expected[start + 2] = 0x02;
        expected[start + 3] = 0x00;
        std::fill(expected.begin() + start + 4, expected.begin() + start + length + 2, 0);
    }
    EXPECT_TRUE(expected == after);

    // A second run finds nothing left.
    ExpectStripped(scene, "0 messages stripped.");
    EXPECT_TRUE(expected == ReadFileBytes(scene.demo));
    CloseDemoScene(scene);
}

TEST(DemoStripRealFiles, WithoutTeamChatIsUnchanged)
{
    REQUIRE_CORPUS_DEMO("UnrealKaraulov__UnrealDemoScanner__antifak.dem");
    DemoScene scene = OpenDemoScene("strip-real", "antifak.dem");
    ASSERT_TRUE(CopyRealDemo("UnrealKaraulov__UnrealDemoScanner__antifak.dem", scene.demo));
    std::vector<unsigned char> before = ReadFileBytes(scene.demo);

    ExpectStripped(scene, "0 messages stripped.");

    EXPECT_TRUE(before == ReadFileBytes(scene.demo));
    CloseDemoScene(scene);
}

TEST(DemoStrip, FailuresReportAndLeaveTheFileAsItWas)
{
    std::vector<DemoFailure> failures = RewriteFailures();
    // Unlike the converter, the stripper gives the system's text here.
    failures.push_back({FAULT_NO_MEMORY, "Could not read file to memory", ERROR_NOT_ENOUGH_MEMORY});
    ExpectDemoFailures(Strip, "Strip teamsays?", BuildSampleDemo(ChatSpec()), failures,
                       "strip-fail");
}

// Apart from the rest: Wine run by root may write read-only files.
TEST(DemoStrip, ReadOnlyDemoIsNotChanged)
{
    ExpectReadOnlyDemoUnchanged(Strip, "Strip teamsays?", BuildSampleDemo(ChatSpec()),
                                "strip-readonly");
}
