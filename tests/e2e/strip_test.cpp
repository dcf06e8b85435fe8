// "Strip teamsays" as the user answers its question: the count shown, the
// team messages blanked in the file, and nothing touched after Cancel.

#include <gtest/gtest.h>

#include <string.h>

#include "app/resource.h"
#include "tests/e2e/support/checks.h"
#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"

static SampleDemoSpec ChattyDemo()
{
    SampleDemoSpec spec = DemoSpec(48, "de_chat", 640, 480, {"Rookie"});
    spec.teamMessages = {"(Terrorist) Rookie : rush b", "(All) Rookie : gg", "*DEAD*(CT) Sniper : nice",
                         "(Counter-Terrorist) Sniper : hold"};
    return spec;
}

// The demo as the stripper should leave it: each named team message keeps its
// place and length byte, with id 0x4B, payload 02 00 and its text zeroed.
static std::vector<unsigned char> Blanked(std::vector<unsigned char> bytes, const std::vector<std::string>& texts)
{
    for (const std::string& text : texts) {
        for (size_t at = 4; at + text.size() <= bytes.size(); at++) {
            if (memcmp(&bytes[at], text.data(), text.size()) != 0)
                continue;
            size_t length = bytes[at - 3];
            bytes[at - 4] = 0x4B;
            bytes[at - 2] = 0x02;
            bytes[at - 1] = 0x00;
            memset(&bytes[at], 0, length - 2);
            break;
        }
    }
    return bytes;
}

static testing::AssertionResult StartOnDemo(const char* tag, std::string* demo, FlickboxRun* run)
{
    std::string folder = MakeScratchFolder(tag);
    std::string exe = InstallFlickboxCopy(folder);
    *demo = JoinPath(folder, "chat.dem");
    if (exe.empty() || !WriteDemo(*demo, ChattyDemo()))
        return testing::AssertionFailure() << "could not prepare " << folder;
    return LaunchFlickbox(exe, demo->c_str(), run);
}

// Presses "Strip teamsays", answers its question with OK and expects the box that follows.
static void StripExpecting(const FlickboxRun& run, const char* caption, const std::string& text)
{
    PostCommand(run.window, IDC_MAIN_STRIP);
    ExpectMessageBox(run, "Flickbox", "Strip teamsays?");
    ExpectMessageBox(run, caption, text);
}

// Each test's run starts on a demo of its own.
struct E2eStrip : E2eRunTest {
    std::string demo;
};

TEST_F(E2eStrip, OkBlanksTheTeamMessagesAndCountsThem)
{
    ASSERT_TRUE(StartOnDemo("strip", &demo, &run));
    std::string summary = ReadField(run.window, IDC_MAIN_SUMMARY);

    StripExpecting(run, "Flickbox", "3 messages stripped.");
    EXPECT_TRUE(WaitForNoMessageBox(run.process.dwProcessId));

    std::string text;
    ASSERT_TRUE(ReadWholeFile(demo, &text));
    std::vector<unsigned char> bytes(text.begin(), text.end());
    std::vector<unsigned char> expected = Blanked(BuildSampleDemo(ChattyDemo()),
        {"(Terrorist) Rookie : rush b", "*DEAD*(CT) Sniper : nice", "(Counter-Terrorist) Sniper : hold"});
    EXPECT_EQ(expected.size(), bytes.size());
    EXPECT_TRUE(expected == bytes) << "the file is not the demo with its three team messages blanked";

    // A second run finds nothing left; the summary was never re-read.
    StripExpecting(run, "Flickbox", "0 messages stripped.");
    EXPECT_EQ(summary, ReadField(run.window, IDC_MAIN_SUMMARY));

    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eStrip, CancelLeavesTheFileAlone)
{
    ASSERT_TRUE(StartOnDemo("cancel", &demo, &run));
    // Held open for writing: had the stripper tried to open it, it would say so.
    HANDLE writer = HoldOpenForWriting(demo, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);

    PostCommand(run.window, IDC_MAIN_STRIP);
    ExpectMessageBox(run, "Flickbox", "Strip teamsays?", IDCANCEL);
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    CloseHandle(writer);
    EXPECT_TRUE(FileHolds(demo, BuildSampleDemo(ChattyDemo())));
}

TEST_F(E2eStrip, AnEmptyPathIsReportedWithTheSystemText)
{
    Install("empty");
    ASSERT_TRUE(LaunchFlickbox(exe, NULL, &run));
    // The system's own answer to opening an empty path, for the expected text.
    HANDLE none = HoldOpenForWriting("");
    DWORD error = GetLastError();
    ASSERT_EQ(INVALID_HANDLE_VALUE, none);

    StripExpecting(run, "Error", "Could not open demo-file: " + SystemErrorText(error));
    EXPECT_TRUE(WaitForNoMessageBox(run.process.dwProcessId));
}

TEST_F(E2eStrip, ALockedOrEmptyDemoIsReportedWithTheSystemText)
{
    ASSERT_TRUE(StartOnDemo("locked", &demo, &run));
    HANDLE writer = HoldOpenForWriting(demo);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    StripExpecting(run, "Error", "Could not open demo-file: " + SystemErrorText(ERROR_SHARING_VIOLATION));
    CloseHandle(writer);
    EXPECT_TRUE(FileHolds(demo, BuildSampleDemo(ChattyDemo())));

    ASSERT_TRUE(WriteFileBytes(demo, std::string()));
    StripExpecting(run, "Error", "Could not open demo-file (reason 2): " + SystemErrorText(ERROR_HANDLE_EOF));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
}
