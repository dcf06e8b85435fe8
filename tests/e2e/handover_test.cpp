// A second start while one instance runs: the demo path is handed to the
// running window, and the second process leaves at once with exit code 0.

#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/e2e/support/checks.h"
#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"

static SampleDemoSpec DemoOnMap(const char* map, const char* player)
{
    return DemoSpec(48, map, 1152, 864, {player});
}

static std::string SummaryOf(const char* map)
{
    return DemoSummary("N/A", "48", map, "x", "1152x864");
}

// The main window shows the demo and, inspected, its summary.
static void ExpectShowing(const FlickboxRun& run, const std::string& demo, const char* map)
{
    EXPECT_EQ(demo, ReadField(run.window, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ(SummaryOf(map), ReadField(run.window, IDC_MAIN_SUMMARY));
}

// Runs a second instance with the argument and returns its exit code (99 when
// it did not end in time).
static DWORD RunSecondInstance(const std::string& exe, const char* argument)
{
    FlickboxRun second;
    if (!StartAnotherFlickbox(exe.c_str(), argument, NULL, &second))
        return 98;
    DWORD exitCode = 99;
    if (!WaitForExit(second, &exitCode))
        exitCode = 99;
    EndFlickbox(&second);
    return exitCode;
}

struct E2eHandOver : E2eRunTest {};

TEST_F(E2eHandOver, ASecondStartWithADemoLoadsItInTheRunningWindow)
{
    Install("handover");
    std::string firstFolder = JoinPath(folder, "first");
    std::string secondFolder = JoinPath(folder, "second");
    ASSERT_TRUE(MakeFolders(firstFolder) && MakeFolders(secondFolder));
    std::string first = JoinPath(firstFolder, "opening.dem");
    std::string second = JoinPath(secondFolder, "handed.dem");
    ASSERT_TRUE(WriteDemo(first, DemoOnMap("de_opening", "Alpha")));
    ASSERT_TRUE(WriteDemo(second, DemoOnMap("de_handed", "Bravo")));

    ASSERT_TRUE(LaunchFlickbox(exe, first.c_str(), &run));
    ASSERT_EQ(SummaryOf("de_opening"), ReadField(run.window, IDC_MAIN_SUMMARY));
    std::vector<std::string> listing = ReadListItems(run.window, IDC_MAIN_BROWSER);

    EXPECT_EQ(0u, RunSecondInstance(exe, second.c_str()));
    // The second start returns once the running window has taken the demo.
    ExpectShowing(run, second, "de_handed");
    EXPECT_EQ(std::vector<std::string>({"Bravo"}), ReadListItems(run.window, IDC_MAIN_PLAYERS));
    // The browser keeps its folder.
    EXPECT_EQ(firstFolder + "\\", ReadField(run.window, IDC_MAIN_FOLDER));
    EXPECT_EQ(listing, ReadListItems(run.window, IDC_MAIN_BROWSER));
    EXPECT_TRUE(IsWindow(run.window));
    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eHandOver, ASecondStartWithoutADemoOrWithAShortTextChangesNothing)
{
    Install("nothing");
    std::string demo = JoinPath(folder, "kept.dem");
    ASSERT_TRUE(WriteDemo(demo, DemoOnMap("de_kept", "Alpha")));

    ASSERT_TRUE(LaunchFlickbox(exe, demo.c_str(), &run));

    EXPECT_EQ(0u, RunSecondInstance(exe, NULL));
    EXPECT_EQ(0u, RunSecondInstance(exe, "C:"));
    ExpectShowing(run, demo, "de_kept");
    EXPECT_EQ(folder + "\\", ReadField(run.window, IDC_MAIN_FOLDER));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eHandOver, TheHandedRecordIsReadNoFurtherThanItsSize)
{
    Install("record");
    std::string start = JoinPath(folder, "start.dem");
    std::string handed = JoinPath(folder, "handed.dem");
    ASSERT_TRUE(WriteDemo(start, DemoOnMap("de_start", "Alpha")));
    ASSERT_TRUE(WriteDemo(handed, DemoOnMap("de_handed", "Bravo")));
    // A path of 259 characters, the most the window keeps.
    std::string longest = JoinPath(folder, std::string(259 - folder.size() - 1 - 4, 'f') + ".dem");
    ASSERT_EQ(259u, longest.size());
    ASSERT_TRUE(WriteDemo(longest, DemoOnMap("de_longest", "Charlie")));

    ASSERT_TRUE(LaunchFlickbox(exe, start.c_str(), &run));

    // No data at all: ignored.
    ASSERT_TRUE(SendCopyData(run.window, NULL, 0));
    EXPECT_EQ(start, ReadField(run.window, IDC_MAIN_DEMO_PATH));

    // A path without its NUL, followed by bytes the record does not cover.
    std::string noNul = handed + "\\tail that lies past cbData";
    ASSERT_TRUE(SendCopyData(run.window, noNul.data(), (DWORD)handed.size()));
    ExpectShowing(run, handed, "de_handed");

    // The first NUL inside the record ends the path.
    std::string withNul = start + std::string(1, '\0') + "ignored";
    ASSERT_TRUE(SendCopyData(run.window, withNul.data(), (DWORD)withNul.size()));
    ExpectShowing(run, start, "de_start");

    // A text longer than the window keeps is cut to its first 259 characters.
    std::string tooLong = longest + "-and-more-than-the-buffer-holds";
    ASSERT_TRUE(SendCopyData(run.window, tooLong.data(), (DWORD)tooLong.size()));
    ExpectShowing(run, longest, "de_longest");
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    EXPECT_EQ(0u, CloseAndEnd(&run));
}
