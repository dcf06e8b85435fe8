#include <windows.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "demo/strip.h"
#include "tests/win/support/demo_test_support.h"
#include "tests/win/support/recorded_messages.h"
#include "tools/sample_demo.h"

static const unsigned QUESTION = MB_OKCANCEL | MB_ICONQUESTION;
static const unsigned NOTICE = MB_OK | MB_ICONINFORMATION;

static SampleDemoSpec ChatSpec()
{
    SampleDemoSpec spec;
    spec.teamMessages = {"(Terrorist) rush b", "(All) gg", "*DEAD*(CT) wait", "(Counter-Terrorist) ok"};
    return spec;
}

TEST(DemoStrip, CancelLeavesTheFileUnopened)
{
    std::string folder = MakeDemoFolder("strip-cancel");
    HWND mainDialog = CreateDemoMainDialog();
    std::string demo = folder + "\\chat.dem";
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), ChatSpec()));
    SetDemoPath(mainDialog, demo);
    std::string before = DemoFileState(demo);
    // Any open would fail and say so.
    HANDLE holder = CreateFileA(demo.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    TakeRecordedBoxes();
    ScriptAnswers({IDCANCEL});

    StripTeamMessages(mainDialog);

    CloseHandle(holder);
    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(1u, boxes.size());
    ExpectDemoBox(boxes[0], "Strip teamsays?", "Flickbox", QUESTION);
    EXPECT_EQ(before, DemoFileState(demo));
    DestroyWindow(mainDialog);
    RemoveDemoFolder(folder);
}

TEST(DemoStrip, BlanksTeamMessagesAndCountsThem)
{
    std::string folder = MakeDemoFolder("strip-count");
    HWND mainDialog = CreateDemoMainDialog();
    std::string demo = folder + "\\chat.dem";
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), ChatSpec()));
    std::vector<unsigned char> before = ReadDemoBytes(demo);
    SetDemoPath(mainDialog, demo);
    TakeRecordedBoxes();

    StripTeamMessages(mainDialog);

    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(2u, boxes.size());
    ExpectDemoBox(boxes[0], "Strip teamsays?", "Flickbox", QUESTION);
    ExpectDemoBox(boxes[1], "3 messages stripped.", "Flickbox", NOTICE);

    // Each team message became K, its length, 02 00 and zeros; all else stayed.
    std::vector<unsigned char> after = ReadDemoBytes(demo);
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
    StripTeamMessages(mainDialog);
    boxes = TakeRecordedBoxes();
    ASSERT_EQ(2u, boxes.size());
    ExpectDemoBox(boxes[1], "0 messages stripped.", "Flickbox", NOTICE);
    EXPECT_TRUE(expected == ReadDemoBytes(demo));
    DestroyWindow(mainDialog);
    RemoveDemoFolder(folder);
}

TEST(DemoStrip, RealDemoWithoutTeamChatIsUnchanged)
{
    std::string folder = MakeDemoFolder("strip-real");
    HWND mainDialog = CreateDemoMainDialog();
    std::string demo = folder + "\\antifak.dem";
    ASSERT_TRUE(CopyFileA(RealDemoPath("UnrealKaraulov__UnrealDemoScanner__antifak.dem").c_str(),
                          demo.c_str(), FALSE));
    SetFileAttributesA(demo.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::vector<unsigned char> before = ReadDemoBytes(demo);
    SetDemoPath(mainDialog, demo);
    TakeRecordedBoxes();

    StripTeamMessages(mainDialog);

    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(2u, boxes.size());
    ExpectDemoBox(boxes[1], "0 messages stripped.", "Flickbox", NOTICE);
    EXPECT_TRUE(before == ReadDemoBytes(demo));
    DestroyWindow(mainDialog);
    RemoveDemoFolder(folder);
}

static void Strip(HWND mainDialog)
{
    StripTeamMessages(mainDialog);
}

TEST(DemoStrip, FailuresReportAndLeaveTheFileAsItWas)
{
    const std::vector<DemoFailure> failures = {
        {FAULT_MISSING_FILE, "Could not open demo-file", ERROR_FILE_NOT_FOUND},
        {FAULT_EMPTY_PATH, "Could not open demo-file", ERROR_PATH_NOT_FOUND},
        {FAULT_HELD_FOR_WRITING, "Could not open demo-file", ERROR_SHARING_VIOLATION},
        {FAULT_DIRECTORY, "Could not open demo-file", ERROR_ACCESS_DENIED},
        {FAULT_PATH_TOO_LONG, "Could not open demo-file", ERROR_FILENAME_EXCED_RANGE},
        {FAULT_EMPTY_FILE, "Could not open demo-file (reason 2)", ERROR_HANDLE_EOF},
        {FAULT_4_GIB, "Could not open demo-file (reason 2)", ERROR_FILE_TOO_LARGE},
        // Unlike the converter, the stripper gives the system's text here.
        {FAULT_NO_MEMORY, "Could not read file to memory", ERROR_NOT_ENOUGH_MEMORY},
    };
    ExpectDemoFailures(Strip, "Strip teamsays?", BuildSampleDemo(ChatSpec()), failures,
                       "strip-fail");
}

// Apart from the rest: Wine run by root may write read-only files.
TEST(DemoStrip, ReadOnlyDemoIsNotChanged)
{
    std::string folder = MakeDemoFolder("strip-probe");
    bool enforced = ReadOnlyIsEnforced(folder);
    RemoveDemoFolder(folder);
    if (!enforced)
        GTEST_SKIP() << "read-only files are writable here";
    ExpectDemoFailures(Strip, "Strip teamsays?", BuildSampleDemo(ChatSpec()),
                       {{FAULT_READ_ONLY, "Could not open demo-file", ERROR_ACCESS_DENIED}},
                       "strip-readonly");
}
