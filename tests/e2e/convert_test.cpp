// "Convert resolution" through dialog 139: the questions and notices as the
// user answers them, the file on disk, and the summary inspected afresh.

#include <gtest/gtest.h>

#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"

enum {
    DEMO_PATH = 1000, SUMMARY = 1007, CONVERT = 1030,
    NEW_WIDTH = 1035, NEW_HEIGHT = 1036, OLD_WIDTH = 1038, OLD_HEIGHT = 1040
};

static const char REJECTION[] =
    "Wrong resolution. Available resolutions are:\n1280x960\n1152x864\n1024x768\n800x600\n"
    "640x480\n512x384\n480x360\n400x300";

static SampleDemoSpec DemoAt(unsigned width, unsigned height)
{
    SampleDemoSpec spec;
    spec.networkProtocol = 47;
    spec.mapName = "de_convert";
    spec.width = width;
    spec.height = height;
    spec.playerNames = {"Rookie"};
    return spec;
}

static std::string SummaryAt(const char* resolution)
{
    return std::string("Half-Life Version: N/A\nDemo Type: HLDEMO\nDemo Version: 5\nNetwork Version: 47\n"
                       "Map: de_convert\nMod: cstrike\nCurrent Res: x\nDemo Res: ")
        + resolution + "\n";
}

// Starts a copy of the program on a fresh demo built to the given layout; its path
// lands in *demo.
static bool StartOnDemo(const char* tag, const SampleDemoSpec& spec, std::string* demo, FlickboxRun* run)
{
    std::string folder = MakeScratchFolder(tag);
    std::string exe = InstallFlickboxCopy(folder);
    *demo = JoinPath(folder, "convert me.dem");
    return !exe.empty() && WriteDemo(*demo, spec) && StartFlickbox(exe.c_str(), demo->c_str(), NULL, run)
        && WaitForMainWindow(run);
}

// Opens the converter from the main window and types the new size.
static HWND OpenConverter(const FlickboxRun& run, const char* width, const char* height)
{
    PostCommand(run.window, CONVERT);
    HWND converter = WaitForConverterDialog(run.process.dwProcessId);
    if (converter && !(SetField(converter, NEW_WIDTH, width) && SetField(converter, NEW_HEIGHT, height)))
        return NULL;
    return converter;
}

static void ExpectBox(DWORD processId, const std::string& text, int answer)
{
    MessageBoxView box;
    ASSERT_TRUE(WaitForMessageBox(processId, &box)) << "no box saying: " << text;
    EXPECT_EQ("Flickbox", box.caption);
    EXPECT_EQ(text, box.text);
    EXPECT_TRUE(AnswerMessageBox(box, answer));
}

TEST(E2eConvert, OkRewritesTheFileAndTheSummaryShowsTheNewResolution)
{
    std::string demo;
    FlickboxRun run;
    ASSERT_TRUE(StartOnDemo("convert", DemoAt(800, 600), &demo, &run));
    ASSERT_EQ(SummaryAt("800x600"), ReadField(run.window, SUMMARY));

    HWND converter = OpenConverter(run, "1024", "768");
    ASSERT_TRUE(converter != NULL) << "the converter dialog did not open";
    EXPECT_EQ("800", ReadField(converter, OLD_WIDTH));
    EXPECT_EQ("600", ReadField(converter, OLD_HEIGHT));
    RECT rect;
    ASSERT_TRUE(GetWindowRect(converter, &rect));
    EXPECT_EQ((GetSystemMetrics(SM_CXFULLSCREEN) - (rect.right - rect.left)) / 2, rect.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYFULLSCREEN) - (rect.bottom - rect.top)) / 2, rect.top);
    // The converter has no owner: the main dialog stays usable meanwhile.
    EXPECT_TRUE(IsWindowEnabled(run.window));
    std::string shot = JoinPath(ScreenshotFolder(), "convert.bmp");
    EXPECT_TRUE(SaveClientScreenshot(converter, shot.c_str())) << shot;

    PostCommand(converter, IDOK);
    ExpectBox(run.process.dwProcessId, "Convert resolution in demo?", IDOK);
    ExpectBox(run.process.dwProcessId, "Demo converted.", IDOK);
    EXPECT_TRUE(WaitForWindowGone(converter));
    EXPECT_EQ(SummaryAt("1024x768"), WaitForField(run.window, SUMMARY, SummaryAt("1024x768")));

    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(demo, &bytes));
    EXPECT_TRUE(bytes == BuildSampleDemo(DemoAt(1024, 768))) << "the resolution record was not rewritten in place";
    EXPECT_TRUE(WaitForNoMessageBox(run.process.dwProcessId));

    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EndFlickbox(&run);
}

TEST(E2eConvert, AnUnsupportedSizeIsRefusedAndTheFileKept)
{
    std::string demo;
    FlickboxRun run;
    ASSERT_TRUE(StartOnDemo("reject", DemoAt(800, 600), &demo, &run));

    HWND converter = OpenConverter(run, "1000", "768");
    ASSERT_TRUE(converter != NULL);
    PostCommand(converter, IDOK);
    ExpectBox(run.process.dwProcessId, REJECTION, IDOK);
    EXPECT_TRUE(WaitForWindowGone(converter));

    // An empty height reads as 0.
    converter = OpenConverter(run, "1024", "");
    ASSERT_TRUE(converter != NULL);
    PostCommand(converter, IDOK);
    ExpectBox(run.process.dwProcessId, REJECTION, IDOK);
    EXPECT_TRUE(WaitForWindowGone(converter));

    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(demo, &bytes));
    EXPECT_TRUE(bytes == BuildSampleDemo(DemoAt(800, 600)));
    EXPECT_EQ(SummaryAt("800x600"), ReadField(run.window, SUMMARY));
    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EndFlickbox(&run);
}

TEST(E2eConvert, CancellingTheQuestionOrTheDialogKeepsTheFile)
{
    std::string demo;
    FlickboxRun run;
    ASSERT_TRUE(StartOnDemo("cancel", DemoAt(640, 480), &demo, &run));

    HWND converter = OpenConverter(run, "1280", "960");
    ASSERT_TRUE(converter != NULL);
    PostCommand(converter, IDOK);
    ExpectBox(run.process.dwProcessId, "Convert resolution in demo?", IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(converter));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));

    converter = OpenConverter(run, "1280", "960");
    ASSERT_TRUE(converter != NULL);
    PostCommand(converter, IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(converter));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));

    // The close box too.
    converter = OpenConverter(run, "1280", "960");
    ASSERT_TRUE(converter != NULL);
    PostMessageW(converter, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForWindowGone(converter));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));

    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(demo, &bytes));
    EXPECT_TRUE(bytes == BuildSampleDemo(DemoAt(640, 480)));
    EXPECT_EQ(SummaryAt("640x480"), ReadField(run.window, SUMMARY));
    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EndFlickbox(&run);
}

TEST(E2eConvert, ADemoOfUnknownResolutionIsNotConverted)
{
    std::string demo;
    FlickboxRun run;
    ASSERT_TRUE(StartOnDemo("unknown", DemoAt(0, 0), &demo, &run));

    HWND converter = OpenConverter(run, "1024", "768");
    ASSERT_TRUE(converter != NULL);
    EXPECT_EQ("*", ReadField(converter, OLD_WIDTH));
    EXPECT_EQ("*", ReadField(converter, OLD_HEIGHT));
    PostCommand(converter, IDOK);
    ExpectBox(run.process.dwProcessId, "The demo's current resolution is unknown, so it cannot be converted.", IDOK);
    EXPECT_TRUE(WaitForWindowGone(converter));

    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(demo, &bytes));
    EXPECT_TRUE(bytes == BuildSampleDemo(DemoAt(0, 0))) << "runs of zeros were rewritten";
    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EndFlickbox(&run);
}

TEST(E2eConvert, WithoutADemoTheConverterDoesNotOpen)
{
    std::string folder = MakeScratchFolder("nodemo");
    std::string exe = InstallFlickboxCopy(folder);
    FlickboxRun run;
    ASSERT_TRUE(StartFlickbox(exe.c_str(), NULL, NULL, &run));
    ASSERT_TRUE(WaitForMainWindow(&run));

    PostCommand(run.window, CONVERT);
    ExpectBox(run.process.dwProcessId, "No demo loaded.", IDOK);
    // One character is still too short; two open the dialog.
    ASSERT_TRUE(SetField(run.window, DEMO_PATH, "x"));
    PostCommand(run.window, CONVERT);
    ExpectBox(run.process.dwProcessId, "No demo loaded.", IDOK);
    ASSERT_TRUE(SetField(run.window, DEMO_PATH, "xy"));
    PostCommand(run.window, CONVERT);
    HWND converter = WaitForConverterDialog(run.process.dwProcessId);
    ASSERT_TRUE(converter != NULL);
    PostCommand(converter, IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(converter));

    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EndFlickbox(&run);
}

TEST(E2eConvert, ADemoThatCannotBeOpenedIsReportedAndInspectedAgain)
{
    std::string demo;
    FlickboxRun run;
    ASSERT_TRUE(StartOnDemo("locked", DemoAt(800, 600), &demo, &run));
    HWND converter = OpenConverter(run, "1024", "768");
    ASSERT_TRUE(converter != NULL);
    // Another program now writes the demo: neither converter nor inspector may open it.
    HANDLE writer = CreateFileA(demo.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);

    PostCommand(converter, IDOK);
    ExpectBox(run.process.dwProcessId, "Convert resolution in demo?", IDOK);
    std::string refused = "Could not open demo-file: " + SystemText(ERROR_SHARING_VIOLATION);
    MessageBoxView box;
    ASSERT_TRUE(WaitForMessageBox(run.process.dwProcessId, &box));
    EXPECT_EQ("Error", box.caption);
    EXPECT_EQ(refused, box.text);
    EXPECT_TRUE(AnswerMessageBox(box, IDOK));
    // The re-inspection as the dialog closes meets the same lock.
    ASSERT_TRUE(WaitForMessageBox(run.process.dwProcessId, &box));
    EXPECT_EQ("Error", box.caption);
    EXPECT_EQ(refused, box.text);
    EXPECT_TRUE(AnswerMessageBox(box, IDOK));
    EXPECT_TRUE(WaitForWindowGone(converter));
    CloseHandle(writer);

    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(demo, &bytes));
    EXPECT_TRUE(bytes == BuildSampleDemo(DemoAt(800, 600)));
    EXPECT_EQ(SummaryAt("800x600"), ReadField(run.window, SUMMARY));
    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EndFlickbox(&run);
}

TEST(E2eConvert, OkConvertsTheDemoNamedInTheMainWindowAtThatMoment)
{
    std::string first;
    FlickboxRun run;
    ASSERT_TRUE(StartOnDemo("moment", DemoAt(800, 600), &first, &run));
    std::string second = first.substr(0, first.rfind('\\')) + "\\typed later.dem";
    ASSERT_TRUE(WriteDemo(second, DemoAt(800, 600)));

    HWND converter = OpenConverter(run, "640", "480");
    ASSERT_TRUE(converter != NULL);
    // The converter stays open while the user names another demo in the main window.
    ASSERT_TRUE(SetField(run.window, DEMO_PATH, second));
    PostCommand(converter, IDOK);
    ExpectBox(run.process.dwProcessId, "Convert resolution in demo?", IDOK);
    ExpectBox(run.process.dwProcessId, "Demo converted.", IDOK);
    EXPECT_TRUE(WaitForWindowGone(converter));
    EXPECT_EQ(SummaryAt("640x480"), WaitForField(run.window, SUMMARY, SummaryAt("640x480")));

    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadWholeFile(second, &bytes));
    EXPECT_TRUE(bytes == BuildSampleDemo(DemoAt(640, 480)));
    ASSERT_TRUE(ReadWholeFile(first, &bytes));
    EXPECT_TRUE(bytes == BuildSampleDemo(DemoAt(800, 600)));
    DWORD exitCode = 99;
    EXPECT_TRUE(CloseFlickbox(run, &exitCode));
    EndFlickbox(&run);
}
