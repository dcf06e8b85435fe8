#include "tests/e2e/support/checks.h"

#include "tests/e2e/support/scratch.h"

testing::AssertionResult LaunchFlickbox(const std::string& exe, const char* argument, FlickboxRun* run)
{
    if (!StartFlickbox(exe.c_str(), argument, NULL, run))
        return testing::AssertionFailure() << exe << " did not start";
    if (!WaitForMainWindow(run))
        return testing::AssertionFailure() << "no main dialog appeared";
    return testing::AssertionSuccess();
}

void ExpectMessageBox(const FlickboxRun& run, const char* caption, const std::string& text, int answer)
{
    MessageBoxView box;
    ASSERT_TRUE(WaitForMessageBox(run.process.dwProcessId, &box)) << "no box saying: " << text;
    EXPECT_EQ(caption, box.caption);
    EXPECT_EQ(text, box.text);
    EXPECT_TRUE(AnswerMessageBox(box, answer));
}

DWORD CloseAndEnd(FlickboxRun* run)
{
    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(*run, &exitCode)) << "the program did not end when closed";
    EndFlickbox(run);
    return exitCode;
}

void E2eRunTest::Install(const char* tag)
{
    folder = MakeScratchFolder(tag);
    exe = InstallFlickboxCopy(folder);
    ASSERT_FALSE(exe.empty()) << "could not copy flickbox.exe to " << folder;
}

E2eRunTest::~E2eRunTest()
{
    if (!run.process.hProcess)
        return;
    if (HasFailure())
        EndFlickbox(&run);
    else
        CloseAndEnd(&run);
}

testing::AssertionResult FieldBecomes(HWND window, int id, const std::string& expected)
{
    std::string shown = WaitForField(window, id, expected);
    if (shown == expected)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "field " << id << " holds \"" << shown << "\", not \"" << expected << "\"";
}

testing::AssertionResult FileHolds(const std::string& path, const std::vector<unsigned char>& expected)
{
    std::string text;
    if (!ReadWholeFile(path, &text))
        return testing::AssertionFailure() << "could not read " << path;
    std::vector<unsigned char> bytes(text.begin(), text.end());
    if (bytes != expected)
        return testing::AssertionFailure() << path << " holds " << bytes.size() << " bytes that are not the "
                                           << expected.size() << " expected";
    return testing::AssertionSuccess();
}

void ExpectCentred(HWND window)
{
    RECT rect;
    ASSERT_TRUE(GetWindowRect(window, &rect));
    EXPECT_EQ((GetSystemMetrics(SM_CXFULLSCREEN) - (rect.right - rect.left)) / 2, rect.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYFULLSCREEN) - (rect.bottom - rect.top)) / 2, rect.top);
}

std::string DemoSummary(const char* gameVersion, const char* networkVersion, const char* map, const char* currentRes,
                        const char* demoRes)
{
    return std::string("Half-Life Version: ") + gameVersion + "\nDemo Type: HLDEMO\nDemo Version: 5\nNetwork Version: "
        + networkVersion + "\nMap: " + map + "\nMod: cstrike\nCurrent Res: " + currentRes + "\nDemo Res: " + demoRes
        + "\n";
}
