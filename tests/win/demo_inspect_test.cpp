#include <windows.h>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/resource.h"
#include "demo/inspect.h"
#include "tests/support/test_files.h"
#include "tests/win/support/demo_test_support.h"
#include "tests/win/support/dialog_fields.h"
#include "tests/win/support/expected_boxes.h"
#include "tests/win/support/recorded_messages.h"
#include "tools/sample_demo.h"

static const char rookieSummary[] =
    "Half-Life Version: 1.1.0.4\nDemo Type: HLDEMO\nDemo Version: 5\nNetwork Version: 43\n"
    "Map: de_dust\nMod: cstrike\nCurrent Res: 800x600\nDemo Res: 1024x768\n";

static SampleDemoSpec RookieSpec()
{
    SampleDemoSpec spec;
    spec.networkProtocol = 43;
    spec.width = 1024;
    spec.height = 768;
    spec.playerNames = {"Sniper", "Rookie", "ROOKIE"};
    return spec;
}

static std::string Summary(HWND mainDialog)
{
    return FieldText(mainDialog, IDC_MAIN_SUMMARY);
}

// Inspects in a fresh main dialog with programDir pointing at the scratch
// folder, so previews are looked for there.
static HWND StartInspection(const std::string& folder)
{
    TakeRecordedBoxes();
    ClearInspectionState();
    EXPECT_TRUE(CopyText(appState.programDir, sizeof appState.programDir, folder.c_str()));
    EXPECT_TRUE(CopyText(appState.currentWidth, sizeof appState.currentWidth, "800"));
    EXPECT_TRUE(CopyText(appState.currentHeight, sizeof appState.currentHeight, "600"));
    return CreateIdleDialog(IDD_MAIN);
}

static void EndInspection(HWND mainDialog, const std::string& folder)
{
    ClearInspectionState();
    DestroyWindow(mainDialog);
    RemoveTree(folder);
}

// Each test inspects in a main dialog of its own, its previews looked for in a
// scratch folder of its own.
struct DemoInspect : testing::Test {
    std::string folder = MakeScratchFolder("inspect");
    HWND mainDialog = StartInspection(folder);
    ~DemoInspect() { EndInspection(mainDialog, folder); }
    void SetUp() override { ASSERT_TRUE(mainDialog); }
};

TEST_F(DemoInspect, ShowsSummaryPlayersStateAndPreview)
{
    std::string demo = folder + "\\rookie.dem";
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), RookieSpec()));
    ASSERT_TRUE(WriteSmallBitmap(folder + "\\cstrike\\maps\\de_dust.bmp", 5, 3));
    appState.isHltv = true;

    SetDemoPath(mainDialog, demo);
    InspectDemo(mainDialog);

    EXPECT_TRUE(TakeRecordedBoxes().empty());
    EXPECT_EQ(rookieSummary, Summary(mainDialog));
    EXPECT_EQ((std::vector<std::string>{"Rookie", "Sniper"}),
              ListItems(mainDialog, IDC_MAIN_PLAYERS));
    EXPECT_STREQ("1024", appState.demoWidth);
    EXPECT_STREQ("768", appState.demoHeight);
    EXPECT_STREQ("43", appState.networkVersion);
    EXPECT_STREQ("cstrike", appState.modDir);
    EXPECT_FALSE(appState.isHltv);
    ASSERT_TRUE(appState.mapPreview);
    BITMAP preview = {};
    ASSERT_TRUE(GetObjectA(appState.mapPreview, sizeof preview, &preview));
    EXPECT_EQ(5, preview.bmWidth);
    EXPECT_EQ(3, preview.bmHeight);

}

TEST_F(DemoInspect, ListIsEmptiedAndRefilledSorted)
{
    SendDlgItemMessageA(mainDialog, IDC_MAIN_PLAYERS, LB_ADDSTRING, 0, (LPARAM)"Old player");
    SendDlgItemMessageA(mainDialog, IDC_MAIN_PLAYERS, LB_ADDSTRING, 0, (LPARAM)"medic");
    SampleDemoSpec spec;
    spec.playerNames = {"Medic", "Zed", "alpha"};
    std::string demo = folder + "\\list.dem";
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), spec));

    SetDemoPath(mainDialog, demo);
    InspectDemo(mainDialog);

    EXPECT_EQ((std::vector<std::string>{"alpha", "Medic", "Zed"}),
              ListItems(mainDialog, IDC_MAIN_PLAYERS));
    EXPECT_STREQ("*", appState.demoWidth);
    EXPECT_STREQ("*", appState.demoHeight);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
}

TEST_F(DemoInspect, MissingPreviewGivesNoneAndNoMessage)
{
    std::string demo = folder + "\\rookie.dem";
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), RookieSpec()));

    SetDemoPath(mainDialog, demo);
    InspectDemo(mainDialog);

    EXPECT_EQ(NULL, appState.mapPreview);
    EXPECT_EQ(rookieSummary, Summary(mainDialog));
    EXPECT_TRUE(TakeRecordedBoxes().empty());
}

TEST_F(DemoInspect, ReadOnlyDemoIsInspected)
{
    std::string demo = folder + "\\rookie.dem";
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), RookieSpec()));
    SetFileAttributesA(demo.c_str(), FILE_ATTRIBUTE_READONLY);

    SetDemoPath(mainDialog, demo);
    InspectDemo(mainDialog);

    EXPECT_TRUE(TakeRecordedBoxes().empty());
    EXPECT_EQ(rookieSummary, Summary(mainDialog));
    SetFileAttributesA(demo.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(DemoInspectRealFiles, ShowsEachRecording)
{
    for (const char* name : {"khanghugo__dem__weapon.dem", "hobokenn__won-demo-parser__cool.dem",
                             "UnrealKaraulov__UnrealDemoScanner__demotesttestste.dem-2405171129-"
                             "cs_assault.dem",
                             "UnrealKaraulov__UnrealDemoScanner__test_name_change.dem"})
        REQUIRE_CORPUS_DEMO(name);
    std::string folder = MakeScratchFolder("inspect-real");
    HWND mainDialog = StartInspection(folder);

    SetDemoPath(mainDialog, DemoCorpusPath("khanghugo__dem__weapon.dem"));
    InspectDemo(mainDialog);
    EXPECT_EQ("Half-Life Version: N/A\nDemo Type: HLDEMO\nDemo Version: 5\nNetwork Version: 48\n"
              "Map: crossfire\nMod: cstrike\nCurrent Res: 800x600\nDemo Res: 1024x768\n",
              Summary(mainDialog));
    EXPECT_EQ(std::vector<std::string>{"Player"}, ListItems(mainDialog, IDC_MAIN_PLAYERS));
    EXPECT_STREQ("cstrike", appState.modDir);
    EXPECT_STREQ("48", appState.networkVersion);

    SetDemoPath(mainDialog, DemoCorpusPath("hobokenn__won-demo-parser__cool.dem"));
    InspectDemo(mainDialog);
    EXPECT_EQ("Half-Life Version: 1.0.1.6\nDemo Type: HLDEMO\nDemo Version: 4\nNetwork Version: 40\n"
              "Map: subtransit\nMod: tfc\nCurrent Res: 800x600\nDemo Res: *x*\n",
              Summary(mainDialog));
    EXPECT_STREQ("tfc", appState.modDir);
    EXPECT_STREQ("*", appState.demoWidth);

    // An HLTV recording: 1024x768, and the list emptied and left empty.
    SetDemoPath(mainDialog,
                DemoCorpusPath("UnrealKaraulov__UnrealDemoScanner__demotesttestste.dem-2405171129-"
                             "cs_assault.dem"));
    InspectDemo(mainDialog);
    EXPECT_EQ("Half-Life Version: N/A\nDemo Type: HLDEMO\nDemo Version: 5\nNetwork Version: 48\n"
              "Map: cs_assault\nMod: cstrike\nCurrent Res: 800x600\nDemo Res: 1024x768\n"
              "HLTV Recorded Demo",
              Summary(mainDialog));
    EXPECT_TRUE(appState.isHltv);
    EXPECT_STREQ("1024", appState.demoWidth);
    EXPECT_STREQ("768", appState.demoHeight);
    EXPECT_TRUE(ListItems(mainDialog, IDC_MAIN_PLAYERS).empty());

    SetDemoPath(mainDialog, DemoCorpusPath("UnrealKaraulov__UnrealDemoScanner__test_name_change.dem"));
    InspectDemo(mainDialog);
    EXPECT_FALSE(appState.isHltv);
    EXPECT_EQ((std::vector<std::string>{"222ahahahaha222", "Karaul0v"}),
              ListItems(mainDialog, IDC_MAIN_PLAYERS));

    EXPECT_TRUE(TakeRecordedBoxes().empty());
    EndInspection(mainDialog, folder);
}

// After a failure only isHltv and mapPreview change; the rest shows the demo
// inspected before, and the file is left as it was.
TEST_F(DemoInspect, FailuresReportAndKeepThePreviousDemo)
{
    const DemoFailure failures[] = {
        {FAULT_MISSING_FILE, "Could not open demo-file", ERROR_FILE_NOT_FOUND},
        {FAULT_EMPTY_PATH, "Could not open demo-file", ERROR_PATH_NOT_FOUND},
        {FAULT_HELD_FOR_WRITING, "Could not open demo-file", ERROR_SHARING_VIOLATION},
        {FAULT_DIRECTORY, "Could not open demo-file", ERROR_ACCESS_DENIED},
        {FAULT_PATH_TOO_LONG, "Could not open demo-file", ERROR_FILENAME_EXCED_RANGE},
        {FAULT_EMPTY_FILE, "Could not open demofile (reason 2)", ERROR_HANDLE_EOF},
        {FAULT_4_GIB, "Could not open demofile (reason 2)", ERROR_FILE_TOO_LARGE},
        {FAULT_NO_MEMORY, "Could not read file to memory", ERROR_NOT_ENOUGH_MEMORY},
    };
    std::string previous = folder + "\\rookie.dem";
    ASSERT_TRUE(WriteSampleDemo(previous.c_str(), RookieSpec()));
    ASSERT_TRUE(WriteSmallBitmap(folder + "\\cstrike\\maps\\de_dust.bmp", 2, 2));
    SampleDemoSpec other;
    other.hltv = true;
    std::vector<unsigned char> otherBytes = BuildSampleDemo(other);

    for (const DemoFailure& failure : failures) {
        if (!FaultCanBeMade(failure.fault))
            continue;
        SCOPED_TRACE(failure.message + std::string(" / ") + SystemErrorText(failure.error));
        SetDemoPath(mainDialog, previous);
        ShowDemo(mainDialog);
        ASSERT_TRUE(appState.mapPreview);
        ReleaseMapPreview();
        appState.isHltv = true;
        TakeRecordedBoxes();

        std::string demoPath;
        HANDLE holder = PrepareDemoFault(mainDialog, folder, failure.fault, otherBytes, &demoPath);
        std::string before = DemoFileState(demoPath);
        InspectDemo(mainDialog);
        EndDemoFault(folder, holder);

        ExpectErrorBoxes({ErrorBoxText(failure.message, failure.error)});
        EXPECT_FALSE(appState.isHltv);
        EXPECT_EQ(NULL, appState.mapPreview);
        EXPECT_STREQ("1024", appState.demoWidth);
        EXPECT_STREQ("768", appState.demoHeight);
        EXPECT_STREQ("43", appState.networkVersion);
        EXPECT_STREQ("cstrike", appState.modDir);
        EXPECT_EQ(rookieSummary, Summary(mainDialog));
        EXPECT_EQ((std::vector<std::string>{"Rookie", "Sniper"}),
                  ListItems(mainDialog, IDC_MAIN_PLAYERS));
        EXPECT_TRUE(before == DemoFileState(demoPath));
    }
}

TEST_F(DemoInspect, OverlongGameDirectoryLeavesModDirEmpty)
{
    SampleDemoSpec spec;
    spec.gameDir = std::string(260, 'm');
    std::vector<unsigned char> bytes = BuildSampleDemo(spec);
    // The game directory field runs on for four bytes past the generator's 260.
    for (size_t i = 536; i < 540; i++)
        bytes[i] = 'm';
    std::string demo = folder + "\\longmod.dem";
    ASSERT_TRUE(WriteFileBytes(demo, bytes));
    EXPECT_TRUE(CopyText(appState.modDir, sizeof appState.modDir, "cstrike"));

    SetDemoPath(mainDialog, demo);
    InspectDemo(mainDialog);

    EXPECT_STREQ("", appState.modDir);
    EXPECT_EQ(NULL, appState.mapPreview);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
}

TEST_F(DemoInspect, BrokenPreviewGivesNoneAndNoMessage)
{
    std::string demo = folder + "\\rookie.dem";
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), RookieSpec()));
    std::string bitmap = folder + "\\cstrike\\maps\\de_dust.bmp";
    ASSERT_TRUE(WriteSmallBitmap(bitmap, 2, 2));
    ASSERT_TRUE(WriteFileBytes(bitmap, std::string("BM\1\2\3")));

    SetDemoPath(mainDialog, demo);
    InspectDemo(mainDialog);

    EXPECT_EQ(NULL, appState.mapPreview);
    EXPECT_EQ(rookieSummary, Summary(mainDialog));
    EXPECT_TRUE(TakeRecordedBoxes().empty());
}

// Showing a demo releases the preview it replaces, whether or not the new
// inspection brings one.
TEST_F(DemoInspect, ShowingADemoReleasesThePreviewItReplaces)
{
    std::string demo = folder + "\\rookie.dem";
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), RookieSpec()));
    ASSERT_TRUE(WriteSmallBitmap(folder + "\\cstrike\\maps\\de_dust.bmp", 7, 4));
    for (const char* path : {demo.c_str(), "C:\\gone.dem"}) {
        SCOPED_TRACE(path);
        ReleaseMapPreview();
        HBITMAP old = CreateBitmap(2, 2, 1, 32, NULL);
        appState.mapPreview = old;
        SetDemoPath(mainDialog, path);
        ShowDemo(mainDialog);
        EXPECT_EQ(0u, GetObjectType(old));
        TakeRecordedBoxes();
    }
    EXPECT_EQ(NULL, appState.mapPreview);
    SetDemoPath(mainDialog, demo);
    ShowDemo(mainDialog);
    BITMAP size = {};
    ASSERT_TRUE(GetObjectA(appState.mapPreview, sizeof size, &size));
    EXPECT_EQ(7, size.bmWidth);
    EXPECT_EQ(4, size.bmHeight);
}
