// "Strip teamsays" as the user answers its question: the count shown, the
// team messages blanked in the file, and nothing touched after Cancel.

#include <gtest/gtest.h>

#include <string.h>

#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"

enum { DEMO_PATH = 1000, SUMMARY = 1007, STRIP = 1029 };

static SampleDemoSpec ChattyDemo()
{
    SampleDemoSpec spec;
    spec.mapName = "de_chat";
    spec.width = 640;
    spec.height = 480;
    spec.playerNames = {"Rookie"};
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

static bool StartOnDemo(const char* tag, std::string* demo, FlickboxRun* run)
{
    std::string folder = MakeScratchFolder(tag);
    std::string exe = InstallFlickboxCopy(folder);
    *demo = JoinPath(folder, "chat.dem");
    return !exe.empty() && WriteDemo(*demo, ChattyDemo()) && StartFlickbox(exe.c_str(), demo->c_str(), NULL, run)
        && WaitForMainWindow(run);
}

static void ExpectBox(DWORD processId, const char* caption, const std::string& text, int answer)
{
    MessageBoxView box;
    ASSERT_TRUE(WaitForMessageBox(processId, &box)) << "no box saying: " << text;
    EXPECT_EQ(caption, box.caption);
    EXPECT_EQ(text, box.text);
    EXPECT_TRUE(AnswerMessageBox(box, answer));
}

TEST(E2eStrip, OkBlanksTheTeamMessagesAndCountsThem)
{
    std::string demo;
    FlickboxRun run;
    ASSERT_TRUE(StartOnDemo("strip", &demo, &run));
    std::string summary = ReadField(run.window, SUMMARY);

    PostCommand(run.window, STRIP);
    ExpectBox(run.process.dwProcessId, "Flickbox", "Strip teamsays?", IDOK);
    ExpectBox(run.process.dwProcessId, "Flickbox", "3 messages stripped.", IDOK);
    EXPECT_TRUE(WaitForNoMessageBox(run.process.dwProcessId));

    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(demo, &bytes));
    std::vector<unsigned char> expected = Blanked(BuildSampleDemo(ChattyDemo()),
        {"(Terrorist) Rookie : rush b", "*DEAD*(CT) Sniper : nice", "(Counter-Terrorist) Sniper : hold"});
    EXPECT_EQ(expected.size(), bytes.size());
    EXPECT_TRUE(expected == bytes) << "the file is not the demo with its three team messages blanked";

    // A second run finds nothing left; the summary was never re-read.
    PostCommand(run.window, STRIP);
    ExpectBox(run.process.dwProcessId, "Flickbox", "Strip teamsays?", IDOK);
    ExpectBox(run.process.dwProcessId, "Flickbox", "0 messages stripped.", IDOK);
    EXPECT_EQ(summary, ReadField(run.window, SUMMARY));

    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EndFlickbox(&run);
}

TEST(E2eStrip, CancelLeavesTheFileAlone)
{
    std::string demo;
    FlickboxRun run;
    ASSERT_TRUE(StartOnDemo("cancel", &demo, &run));
    // Held open for writing: had the stripper tried to open it, it would say so.
    HANDLE writer = CreateFileA(demo.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);

    PostCommand(run.window, STRIP);
    ExpectBox(run.process.dwProcessId, "Flickbox", "Strip teamsays?", IDCANCEL);
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    CloseHandle(writer);

    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(demo, &bytes));
    EXPECT_TRUE(bytes == BuildSampleDemo(ChattyDemo()));
    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EndFlickbox(&run);
}

TEST(E2eStrip, AnEmptyPathIsReportedWithTheSystemText)
{
    std::string folder = MakeScratchFolder("empty");
    std::string exe = InstallFlickboxCopy(folder);
    FlickboxRun run;
    ASSERT_TRUE(StartFlickbox(exe.c_str(), NULL, NULL, &run));
    ASSERT_TRUE(WaitForMainWindow(&run));
    // The system's own answer to opening an empty path, for the expected text.
    HANDLE none = CreateFileA("", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD error = GetLastError();
    ASSERT_EQ(INVALID_HANDLE_VALUE, none);

    PostCommand(run.window, STRIP);
    ExpectBox(run.process.dwProcessId, "Flickbox", "Strip teamsays?", IDOK);
    ExpectBox(run.process.dwProcessId, "Error", "Could not open demo-file: " + SystemText(error), IDOK);
    EXPECT_TRUE(WaitForNoMessageBox(run.process.dwProcessId));
    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EndFlickbox(&run);
}

TEST(E2eStrip, ALockedOrEmptyDemoIsReportedWithTheSystemText)
{
    std::string demo;
    FlickboxRun run;
    ASSERT_TRUE(StartOnDemo("locked", &demo, &run));
    HANDLE writer = CreateFileA(demo.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    PostCommand(run.window, STRIP);
    ExpectBox(run.process.dwProcessId, "Flickbox", "Strip teamsays?", IDOK);
    ExpectBox(run.process.dwProcessId, "Error", "Could not open demo-file: " + SystemText(ERROR_SHARING_VIOLATION), IDOK);
    CloseHandle(writer);
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(demo, &bytes));
    EXPECT_TRUE(bytes == BuildSampleDemo(ChattyDemo()));

    ASSERT_TRUE(WriteWholeFile(demo, {}));
    PostCommand(run.window, STRIP);
    ExpectBox(run.process.dwProcessId, "Flickbox", "Strip teamsays?", IDOK);
    ExpectBox(run.process.dwProcessId, "Error", "Could not open demo-file (reason 2): " + SystemText(ERROR_HANDLE_EOF), IDOK);
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EndFlickbox(&run);
}
