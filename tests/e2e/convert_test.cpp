// "Convert resolution" through dialog 139: the questions and notices as the
// user answers them, the file on disk, and the summary inspected afresh.

#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/e2e/support/checks.h"
#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"

static const char REJECTION[] =
    "Wrong resolution. Available resolutions are:\n1280x960\n1152x864\n1024x768\n800x600\n"
    "640x480\n512x384\n480x360\n400x300";

static SampleDemoSpec DemoAt(unsigned width, unsigned height)
{
    return DemoSpec(47, "de_convert", width, height, {"Rookie"});
}

static std::string SummaryAt(const char* resolution)
{
    return DemoSummary("N/A", "47", "de_convert", "x", resolution);
}

// Starts a copy of the program on a fresh demo built to the given layout; its path
// lands in *demo.
static testing::AssertionResult StartOnDemo(const char* tag, const SampleDemoSpec& spec, std::string* demo,
                                            FlickboxRun* run)
{
    std::string folder = MakeScratchFolder(tag);
    std::string exe = InstallFlickboxCopy(folder);
    *demo = JoinPath(folder, "convert me.dem");
    if (exe.empty() || !WriteDemo(*demo, spec))
        return testing::AssertionFailure() << "could not prepare " << folder;
    return LaunchFlickbox(exe, demo->c_str(), run);
}

// Opens the converter from the main window and types the new size.
static HWND OpenConverter(const FlickboxRun& run, const char* width, const char* height)
{
    PostCommand(run.window, IDC_MAIN_CONVERT);
    HWND converter = WaitForConverterDialog(run.process.dwProcessId);
    if (converter && !(SetField(converter, IDC_CONVERT_NEW_WIDTH, width) && SetField(converter, IDC_CONVERT_NEW_HEIGHT, height)))
        return NULL;
    return converter;
}

// Opens the converter, types the new size and presses OK.
static HWND ConvertTo(const FlickboxRun& run, const char* width, const char* height)
{
    HWND converter = OpenConverter(run, width, height);
    if (converter)
        PostCommand(converter, IDOK);
    return converter;
}

// The converter closes and no box follows.
static void ExpectGoneQuietly(const FlickboxRun& run, HWND converter)
{
    EXPECT_TRUE(WaitForWindowGone(converter));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
}

// After a refused or cancelled conversion: the demo is as written and the summary unchanged.
static void ExpectDemoKept(const FlickboxRun& run, const std::string& demo, unsigned width, unsigned height,
                           const char* resolution)
{
    EXPECT_TRUE(FileHolds(demo, BuildSampleDemo(DemoAt(width, height))));
    EXPECT_EQ(SummaryAt(resolution), ReadField(run.window, IDC_MAIN_SUMMARY));
}

// Each test's run starts on a demo of its own.
struct E2eConvert : E2eRunTest {
    std::string demo;
};

TEST_F(E2eConvert, OkRewritesTheFileAndTheSummaryShowsTheNewResolution)
{
    ASSERT_TRUE(StartOnDemo("convert", DemoAt(800, 600), &demo, &run));
    ASSERT_EQ(SummaryAt("800x600"), ReadField(run.window, IDC_MAIN_SUMMARY));

    HWND converter = OpenConverter(run, "1024", "768");
    ASSERT_TRUE(converter != NULL) << "the converter dialog did not open";
    EXPECT_EQ("800", ReadField(converter, IDC_CONVERT_OLD_WIDTH));
    EXPECT_EQ("600", ReadField(converter, IDC_CONVERT_OLD_HEIGHT));
    ExpectCentred(converter);
    // The converter has no owner: the main dialog stays usable meanwhile.
    EXPECT_TRUE(IsWindowEnabled(run.window));
    std::string shot = JoinPath(ScreenshotFolder(), "convert.bmp");
    EXPECT_TRUE(SaveClientScreenshot(converter, shot.c_str())) << shot;

    PostCommand(converter, IDOK);
    ExpectMessageBox(run, "Flickbox", "Convert resolution in demo?");
    ExpectMessageBox(run, "Flickbox", "Demo converted.");
    EXPECT_TRUE(WaitForWindowGone(converter));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_SUMMARY, SummaryAt("1024x768")));

    EXPECT_TRUE(FileHolds(demo, BuildSampleDemo(DemoAt(1024, 768)))) << "the resolution record was not rewritten in place";
    EXPECT_TRUE(WaitForNoMessageBox(run.process.dwProcessId));
    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eConvert, AnUnsupportedSizeIsRefusedAndTheFileKept)
{
    ASSERT_TRUE(StartOnDemo("reject", DemoAt(800, 600), &demo, &run));

    // An empty height reads as 0.
    const char* sizes[][2] = {{"1000", "768"}, {"1024", ""}};
    for (const auto& size : sizes) {
        HWND converter = ConvertTo(run, size[0], size[1]);
        ASSERT_TRUE(converter != NULL);
        ExpectMessageBox(run, "Flickbox", REJECTION);
        EXPECT_TRUE(WaitForWindowGone(converter));
    }

    ExpectDemoKept(run, demo, 800, 600, "800x600");
}

TEST_F(E2eConvert, CancellingTheQuestionOrTheDialogKeepsTheFile)
{
    ASSERT_TRUE(StartOnDemo("cancel", DemoAt(640, 480), &demo, &run));

    HWND converter = ConvertTo(run, "1280", "960");
    ASSERT_TRUE(converter != NULL);
    ExpectMessageBox(run, "Flickbox", "Convert resolution in demo?", IDCANCEL);
    ExpectGoneQuietly(run, converter);

    converter = OpenConverter(run, "1280", "960");
    ASSERT_TRUE(converter != NULL);
    PostCommand(converter, IDCANCEL);
    ExpectGoneQuietly(run, converter);

    // The close box too.
    converter = OpenConverter(run, "1280", "960");
    ASSERT_TRUE(converter != NULL);
    PostMessageW(converter, WM_CLOSE, 0, 0);
    ExpectGoneQuietly(run, converter);

    ExpectDemoKept(run, demo, 640, 480, "640x480");
}

TEST_F(E2eConvert, ADemoOfUnknownResolutionIsNotConverted)
{
    ASSERT_TRUE(StartOnDemo("unknown", DemoAt(0, 0), &demo, &run));

    HWND converter = OpenConverter(run, "1024", "768");
    ASSERT_TRUE(converter != NULL);
    EXPECT_EQ("*", ReadField(converter, IDC_CONVERT_OLD_WIDTH));
    EXPECT_EQ("*", ReadField(converter, IDC_CONVERT_OLD_HEIGHT));
    PostCommand(converter, IDOK);
    ExpectMessageBox(run, "Flickbox", "The demo's current resolution is unknown, so it cannot be converted.");
    EXPECT_TRUE(WaitForWindowGone(converter));

    EXPECT_TRUE(FileHolds(demo, BuildSampleDemo(DemoAt(0, 0)))) << "runs of zeros were rewritten";
}

TEST_F(E2eConvert, WithoutADemoTheConverterDoesNotOpen)
{
    Install("nodemo");
    ASSERT_TRUE(LaunchFlickbox(exe, NULL, &run));

    PostCommand(run.window, IDC_MAIN_CONVERT);
    ExpectMessageBox(run, "Flickbox", "No demo loaded.");
    // One character is still too short; two open the dialog.
    ASSERT_TRUE(SetField(run.window, IDC_MAIN_DEMO_PATH, "x"));
    PostCommand(run.window, IDC_MAIN_CONVERT);
    ExpectMessageBox(run, "Flickbox", "No demo loaded.");
    ASSERT_TRUE(SetField(run.window, IDC_MAIN_DEMO_PATH, "xy"));
    PostCommand(run.window, IDC_MAIN_CONVERT);
    HWND converter = WaitForConverterDialog(run.process.dwProcessId);
    ASSERT_TRUE(converter != NULL);
    PostCommand(converter, IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(converter));
}

TEST_F(E2eConvert, ADemoThatCannotBeOpenedIsReportedAndInspectedAgain)
{
    ASSERT_TRUE(StartOnDemo("locked", DemoAt(800, 600), &demo, &run));
    HWND converter = OpenConverter(run, "1024", "768");
    ASSERT_TRUE(converter != NULL);
    // Another program now writes the demo: neither converter nor inspector may open it.
    HANDLE writer = HoldOpenForWriting(demo);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);

    PostCommand(converter, IDOK);
    ExpectMessageBox(run, "Flickbox", "Convert resolution in demo?");
    std::string refused = "Could not open demo-file: " + SystemErrorText(ERROR_SHARING_VIOLATION);
    ExpectMessageBox(run, "Error", refused);
    // The re-inspection as the dialog closes meets the same lock.
    ExpectMessageBox(run, "Error", refused);
    EXPECT_TRUE(WaitForWindowGone(converter));
    CloseHandle(writer);

    ExpectDemoKept(run, demo, 800, 600, "800x600");
}

TEST_F(E2eConvert, OkConvertsTheDemoNamedInTheMainWindowAtThatMoment)
{
    std::string first;
    ASSERT_TRUE(StartOnDemo("moment", DemoAt(800, 600), &first, &run));
    std::string second = first.substr(0, first.rfind('\\')) + "\\typed later.dem";
    ASSERT_TRUE(WriteDemo(second, DemoAt(800, 600)));

    HWND converter = OpenConverter(run, "640", "480");
    ASSERT_TRUE(converter != NULL);
    // The converter stays open while the user names another demo in the main window.
    ASSERT_TRUE(SetField(run.window, IDC_MAIN_DEMO_PATH, second));
    PostCommand(converter, IDOK);
    ExpectMessageBox(run, "Flickbox", "Convert resolution in demo?");
    ExpectMessageBox(run, "Flickbox", "Demo converted.");
    EXPECT_TRUE(WaitForWindowGone(converter));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_SUMMARY, SummaryAt("640x480")));

    EXPECT_TRUE(FileHolds(second, BuildSampleDemo(DemoAt(640, 480))));
    EXPECT_TRUE(FileHolds(first, BuildSampleDemo(DemoAt(800, 600))));
}
