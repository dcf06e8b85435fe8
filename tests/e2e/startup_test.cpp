// Start-up as the user sees it: the window, the folder listed, the demo
// inspected from the command line, the long path, start-up errors and the
// file association written on every start.

#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/e2e/support/checks.h"
#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"

enum { PREVIEW_X = 37, PREVIEW_Y = 125 };

static SampleDemoSpec MatchDemo()
{
    return DemoSpec(45, "de_e2e", 800, 600, {"Rookie", "Sniper", "Medic", "Gordon Freeman"});
}

// No saved settings and no game video mode: "Current Res: x".
static bool ForgetGameSettings()
{
    return DeleteRegistryTree(HKEY_CURRENT_USER, SETTINGS_KEY)
        && DeleteRegistryTree(HKEY_CURRENT_USER, COUNTER_STRIKE_KEY);
}

// The summary of MatchDemo() with the game video mode given ("x": none known).
static std::string MatchSummary(const char* currentRes)
{
    return DemoSummary("1.1.0.8", "45", "de_e2e", currentRes, "800x600");
}

struct E2eStartup : E2eRunTest {};

TEST_F(E2eStartup, ShowsTheMainDialogAndExitsWithZeroWhenClosed)
{
    std::string exe = JoinPath(DriverBinFolder(), "flickbox.exe");
    ASSERT_TRUE(StartFlickbox(exe.c_str(), NULL, DriverBinFolder().c_str(), &run));
    ASSERT_TRUE(WaitForMainWindow(&run) != NULL) << "no main dialog appeared";

    wchar_t caption[64];
    GetWindowTextW(run.window, caption, 64);
    EXPECT_STREQ(L"Flickbox", caption);
    // Centred on the full-screen work area.
    ExpectCentred(run.window);
    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eStartup, TheCancelCommandEndsTheProgram)
{
    ASSERT_TRUE(LaunchFlickbox(JoinPath(DriverBinFolder(), "flickbox.exe"), NULL, &run));
    PostCommand(run.window, IDCANCEL);
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(run, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EndFlickbox(&run);
}

TEST_F(E2eStartup, WithoutADemoListsTheProgramFolder)
{
    Install("nodemo");
    ASSERT_FALSE(exe.empty());
    ASSERT_TRUE(WriteDemo(JoinPath(folder, "a.dem"), MatchDemo()));
    ASSERT_TRUE(WriteDemo(JoinPath(folder, "B.DEM"), MatchDemo()));
    ASSERT_TRUE(WriteFileBytes(JoinPath(folder, "notes.txt"), std::string("x")));
    ASSERT_TRUE(MakeFolders(JoinPath(folder, "maps")));

    ASSERT_TRUE(LaunchFlickbox(exe, NULL, &run));
    EXPECT_EQ(folder + "\\", ReadField(run.window, IDC_MAIN_FOLDER));
    EXPECT_EQ(Sorted({"[..]", "[maps]", "a.dem"}), Sorted(ReadListItems(run.window, IDC_MAIN_BROWSER)));
    EXPECT_EQ("", ReadField(run.window, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ("", ReadField(run.window, IDC_MAIN_SUMMARY));
    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eStartup, WithADemoPathShowsItsFolderSummaryPlayersAndPreview)
{
    // Saved settings and the game's own video mode, as a returning user has them.
    ASSERT_TRUE(ForgetGameSettings());
    std::string game = "C:\\Games\\Counter-Strike\\cstrike.exe";
    ASSERT_TRUE(WriteSavedSettings(game, "-nofbo -numericping", "1.0"));
    ASSERT_TRUE(WriteVideoMode(COUNTER_STRIKE_KEY, 1024, 768));
    Install("demo");
    ASSERT_FALSE(exe.empty());
    std::string maps = JoinPath(folder, "cstrike\\maps");
    ASSERT_TRUE(MakeFolders(maps));
    ASSERT_TRUE(WriteMapPreviewBitmap(JoinPath(maps, "de_e2e.bmp"), 160, 120));
    std::string demos = JoinPath(folder, "demos");
    ASSERT_TRUE(MakeFolders(JoinPath(demos, "old")));
    std::string demo = JoinPath(demos, "match.dem");
    ASSERT_TRUE(WriteDemo(demo, MatchDemo()));
    ASSERT_TRUE(WriteDemo(JoinPath(demos, "other.dem"), SampleDemoSpec()));

    ASSERT_TRUE(LaunchFlickbox(exe, demo.c_str(), &run));
    EXPECT_EQ(demo, ReadField(run.window, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ(demos + "\\", ReadField(run.window, IDC_MAIN_FOLDER));
    EXPECT_EQ(Sorted({"[..]", "[old]", "match.dem", "other.dem"}), Sorted(ReadListItems(run.window, IDC_MAIN_BROWSER)));
    EXPECT_EQ(MatchSummary("1024x768"), ReadField(run.window, IDC_MAIN_SUMMARY));
    EXPECT_EQ(Sorted({"Rookie", "Sniper", "Medic", "Gordon Freeman"}), Sorted(ReadListItems(run.window, IDC_MAIN_PLAYERS)));
    EXPECT_EQ(game, ReadField(run.window, IDC_MAIN_EXE_PATH));

    // Its top-left corner lies on a wall, the point 20 x 15 further in on ground.
    COLORREF corner = 0, ground = 0, beyond = 0;
    ASSERT_TRUE(ReadClientPixel(run.window, PREVIEW_X, PREVIEW_Y, &corner));
    ASSERT_TRUE(ReadClientPixel(run.window, PREVIEW_X + 20, PREVIEW_Y + 15, &ground));
    ASSERT_TRUE(ReadClientPixel(run.window, PREVIEW_X + 160, PREVIEW_Y + 15, &beyond));
    EXPECT_EQ(MapPreviewColourAt(0, 0), corner) << "the map preview is not drawn at (37, 125)";
    EXPECT_EQ(MapPreviewColourAt(20, 15), ground) << "the map preview is not drawn at (37, 125)";
    EXPECT_NE(MapPreviewColourAt(20, 15), beyond) << "the preview is drawn wider than its own size";

    // The background picture fills the client area from its top-left corner.
    HMODULE module = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(module != NULL);
    HBITMAP background = (HBITMAP)LoadImageA(module, MAKEINTRESOURCEA(117), IMAGE_BITMAP, 0, 0, 0);
    ASSERT_TRUE(background != NULL);
    HDC memory = CreateCompatibleDC(NULL);
    HGDIOBJ old = SelectObject(memory, background);
    const POINT samples[] = {{3, 3}, {12, 470}, {150, 300}, {840, 490}};
    for (const POINT& at : samples) {
        COLORREF shown = 0;
        ASSERT_TRUE(ReadClientPixel(run.window, at.x, at.y, &shown));
        EXPECT_EQ(GetPixel(memory, at.x, at.y), shown) << "background differs at " << at.x << ", " << at.y;
    }
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(background);
    FreeLibrary(module);

    std::string shot = JoinPath(ScreenshotFolder(), "main-demo.bmp");
    EXPECT_TRUE(SaveClientScreenshot(run.window, shot.c_str())) << shot;
    EXPECT_EQ(0u, CloseAndEnd(&run));
    EXPECT_TRUE(ForgetGameSettings());
}

TEST_F(E2eStartup, AShortPathIsShownInItsLongForm)
{
    ASSERT_TRUE(ForgetGameSettings());
    Install("short");
    std::string demos = JoinPath(folder, "Recorded Matches Folder");
    ASSERT_TRUE(MakeFolders(demos));
    std::string demo = JoinPath(demos, "FinalRoundOfTheCup.dem");
    ASSERT_TRUE(WriteDemo(demo, MatchDemo()));
    std::string shortPath = ShortPathOf(demo);
    ASSERT_FALSE(shortPath.empty());
    ASSERT_NE(demo, shortPath) << "the system gave no 8.3 form";
    ASSERT_EQ(std::string::npos, shortPath.find(' '));

    ASSERT_TRUE(LaunchFlickbox(exe, shortPath.c_str(), &run));
    EXPECT_EQ(demo, ReadField(run.window, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ(demos + "\\", ReadField(run.window, IDC_MAIN_FOLDER));
    EXPECT_EQ(MatchSummary("x"), ReadField(run.window, IDC_MAIN_SUMMARY));
    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eStartup, AMissingDemoPathIsTreatedAsNoDemo)
{
    Install("missing");
    std::string missing = JoinPath(folder, "gone\\nothing.dem");

    ASSERT_TRUE(LaunchFlickbox(exe, missing.c_str(), &run));
    EXPECT_EQ(folder + "\\", ReadField(run.window, IDC_MAIN_FOLDER));
    EXPECT_EQ("", ReadField(run.window, IDC_MAIN_DEMO_PATH));
    EXPECT_TRUE(WaitForNoMessageBox(run.process.dwProcessId));
    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eStartup, ADemoThatCannotBeOpenedIsReportedWithTheSystemText)
{
    Install("locked");
    std::string demo = JoinPath(folder, "locked.dem");
    ASSERT_TRUE(WriteDemo(demo, MatchDemo()));
    // Held open for writing: the inspector's read-only open must fail.
    HANDLE writer = HoldOpenForWriting(demo);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);

    ASSERT_TRUE(StartFlickbox(exe.c_str(), demo.c_str(), NULL, &run));
    ExpectMessageBox(run, "Error", "Could not open demo-file: " + SystemErrorText(ERROR_SHARING_VIOLATION));
    CloseHandle(writer);

    ASSERT_TRUE(WaitForMainWindow(&run));
    EXPECT_EQ(demo, ReadField(run.window, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ("", ReadField(run.window, IDC_MAIN_SUMMARY));
    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eStartup, EveryStartRewritesTheFileAssociation)
{
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CLASSES_ROOT, "flickbox"));
    ASSERT_TRUE(WriteRegistryText(HKEY_CLASSES_ROOT, ".DEM", NULL, "otherplayer"));
    Install("assoc");

    ASSERT_TRUE(LaunchFlickbox(exe, NULL, &run));
    bool found = false;
    EXPECT_EQ(exe + " %1", ReadRegistryString(HKEY_CLASSES_ROOT, "flickbox\\shell\\open\\command", NULL, &found));
    EXPECT_TRUE(found);
    EXPECT_EQ(exe + ",0", ReadRegistryString(HKEY_CLASSES_ROOT, "flickbox\\DefaultIcon", NULL, &found));
    EXPECT_TRUE(found);
    EXPECT_EQ("flickbox", ReadRegistryString(HKEY_CLASSES_ROOT, ".DEM", NULL, &found));
    EXPECT_TRUE(found);
    CloseAndEnd(&run);

    // A moved program re-points the association on its next start.
    std::string movedExe = InstallFlickboxCopy(MakeScratchFolder("moved"));
    ASSERT_TRUE(LaunchFlickbox(movedExe, NULL, &run));
    EXPECT_EQ(movedExe + " %1", ReadRegistryString(HKEY_CLASSES_ROOT, "flickbox\\shell\\open\\command", NULL, &found));
    EXPECT_EQ(movedExe + ",0", ReadRegistryString(HKEY_CLASSES_ROOT, "flickbox\\DefaultIcon", NULL, &found));
}

TEST_F(E2eStartup, AnAssociationKeyThatCannotBeCreatedIsReportedAndStartUpGoesOn)
{
    ASSERT_TRUE(DeleteRegistryTree(HKEY_CLASSES_ROOT, "flickbox"));
    // A volatile ProgID key refuses the lasting keys beneath it.
    ASSERT_TRUE(CreateVolatileKey(HKEY_CLASSES_ROOT, "flickbox"));
    Install("refused");
    std::string refused = SystemErrorText(ERROR_CHILD_MUST_BE_VOLATILE);

    ASSERT_TRUE(StartFlickbox(exe.c_str(), NULL, NULL, &run));
    ExpectMessageBox(run, "Error", "Could not create the flickbox registry key: " + refused);
    ExpectMessageBox(run, "Error", "Could not create the defaulticon registry key: " + refused);
    ASSERT_TRUE(WaitForMainWindow(&run));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
    bool found = false;
    EXPECT_EQ("flickbox", ReadRegistryString(HKEY_CLASSES_ROOT, ".DEM", NULL, &found));

    EXPECT_EQ(0u, CloseAndEnd(&run));
    EXPECT_TRUE(DeleteRegistryTree(HKEY_CLASSES_ROOT, "flickbox"));
}

TEST_F(E2eStartup, AnEmptyDemoIsReportedAndTheWindowStillOpens)
{
    Install("empty");
    std::string demo = JoinPath(folder, "empty.dem");
    ASSERT_TRUE(WriteFileBytes(demo, std::string()));

    ASSERT_TRUE(StartFlickbox(exe.c_str(), demo.c_str(), NULL, &run));
    ExpectMessageBox(run, "Error", "Could not open demofile (reason 2): " + SystemErrorText(ERROR_HANDLE_EOF));
    ASSERT_TRUE(WaitForMainWindow(&run));
    EXPECT_EQ(demo, ReadField(run.window, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ(folder + "\\", ReadField(run.window, IDC_MAIN_FOLDER));
    EXPECT_EQ(std::vector<std::string>(), ReadListItems(run.window, IDC_MAIN_PLAYERS));
    EXPECT_EQ(0u, CloseAndEnd(&run));
}
