// The demo browser walked by double-clicks, the "D" button, and the commands
// that re-inspect the demo in field 1000.

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "app/resource.h"
#include "tests/e2e/support/checks.h"
#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"

// The open-file dialog's file-name box, a combo box or an edit by the dialog's form.
enum { FILE_NAME_COMBO = 0x47C, FILE_NAME_EDIT = 0x480 };

// Types a path into the open-file dialog's file-name box, in whichever form
// of the dialog the system shows.
static bool TypeFileName(HWND dialog, const std::string& path)
{
    int id = GetDlgItem(dialog, FILE_NAME_COMBO) ? FILE_NAME_COMBO : FILE_NAME_EDIT;
    return SetField(dialog, id, path);
}

static SampleDemoSpec DemoOnMap(const char* map, int networkProtocol, const char* player)
{
    return DemoSpec(networkProtocol, map, 640, 480, {player});
}

static std::string SummaryOf(const char* map, const char* networkVersion, const char* gameVersion)
{
    return DemoSummary(gameVersion, networkVersion, map, "x", "640x480");
}

struct E2eBrowser : E2eRunTest {};

TEST_F(E2eBrowser, DoubleClicksWalkFoldersAndLoadFilesWithoutLeavingTheFolder)
{
    Install("walk");
    ASSERT_FALSE(exe.empty());
    std::string demos = JoinPath(folder, "demos");
    std::string maps = JoinPath(demos, "maps");
    ASSERT_TRUE(MakeFolders(maps));
    std::string first = JoinPath(demos, "first.dem");
    ASSERT_TRUE(WriteDemo(first, DemoOnMap("de_first", 42, "Alpha")));
    ASSERT_TRUE(WriteDemo(JoinPath(demos, "LOUD.DEM"), DemoOnMap("de_loud", 42, "Loud")));
    ASSERT_TRUE(WriteDemo(JoinPath(demos, "kept.dem.bak"), DemoOnMap("de_kept", 42, "Kept")));
    std::string second = JoinPath(maps, "second.dem");
    ASSERT_TRUE(WriteDemo(second, DemoOnMap("cs_second", 43, "Bravo")));

    ASSERT_TRUE(LaunchFlickbox(exe, first.c_str(), &run));
    ASSERT_EQ(demos + "\\", ReadField(run.window, IDC_MAIN_FOLDER));
    EXPECT_EQ(Sorted({"[..]", "[maps]", "first.dem", "kept.dem.bak"}), Sorted(ReadListItems(run.window, IDC_MAIN_BROWSER)));

    // Into a sub-folder.
    ASSERT_TRUE(DoubleClickListItem(run.window, IDC_MAIN_BROWSER, "[maps]"));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_FOLDER, maps + "\\"));
    EXPECT_EQ(Sorted({"[..]", "second.dem"}), Sorted(ReadListItems(run.window, IDC_MAIN_BROWSER)));
    EXPECT_EQ(first, ReadField(run.window, IDC_MAIN_DEMO_PATH));

    // A file: loaded and inspected, the folder stays.
    ASSERT_TRUE(DoubleClickListItem(run.window, IDC_MAIN_BROWSER, "second.dem"));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_DEMO_PATH, second));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_SUMMARY, SummaryOf("cs_second", "43", "1.1.0.4")));
    EXPECT_EQ(std::vector<std::string>({"Bravo"}), ReadListItems(run.window, IDC_MAIN_PLAYERS));
    EXPECT_EQ(maps + "\\", ReadField(run.window, IDC_MAIN_FOLDER));
    EXPECT_EQ(Sorted({"[..]", "second.dem"}), Sorted(ReadListItems(run.window, IDC_MAIN_BROWSER)));

    // Up twice: [..] cuts the folder back to its parent.
    ASSERT_TRUE(DoubleClickListItem(run.window, IDC_MAIN_BROWSER, "[..]"));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_FOLDER, demos + "\\"));
    ASSERT_TRUE(DoubleClickListItem(run.window, IDC_MAIN_BROWSER, "[..]"));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_FOLDER, folder + "\\"));
    EXPECT_EQ(Sorted({"[..]", "[demos]"}), Sorted(ReadListItems(run.window, IDC_MAIN_BROWSER)));
    EXPECT_EQ(second, ReadField(run.window, IDC_MAIN_DEMO_PATH));
    EXPECT_TRUE(WaitForNoMessageBox(run.process.dwProcessId));

    EXPECT_EQ(0u, CloseAndEnd(&run));
}

TEST_F(E2eBrowser, TheFolderFieldIsWhatADoubleClickJoinsWith)
{
    Install("typed");
    std::string elsewhere = JoinPath(folder, "elsewhere");
    ASSERT_TRUE(MakeFolders(JoinPath(elsewhere, "inner")));

    ASSERT_TRUE(LaunchFlickbox(exe, NULL, &run));
    ASSERT_EQ(folder + "\\", ReadField(run.window, IDC_MAIN_FOLDER));
    // The user types another folder; [elsewhere] listed from the old one now
    // names elsewhere\elsewhere, which does not exist.
    ASSERT_TRUE(SetField(run.window, IDC_MAIN_FOLDER, elsewhere + "\\"));
    ASSERT_TRUE(DoubleClickListItem(run.window, IDC_MAIN_BROWSER, "[elsewhere]"));
    ExpectMessageBox(run, "Error", "Could not read dir: " + SystemErrorText(ERROR_PATH_NOT_FOUND));
    std::string missing = JoinPath(elsewhere, "elsewhere") + "\\";
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_FOLDER, missing));
    EXPECT_EQ(std::vector<std::string>(), ReadListItems(run.window, IDC_MAIN_BROWSER));
}

TEST_F(E2eBrowser, TheDesktopButtonListsTheDesktopFolder)
{
    char desktop[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(NULL, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    ASSERT_TRUE(MakeFolders(desktop));
    Install("desktop");

    ASSERT_TRUE(LaunchFlickbox(exe, NULL, &run));
    PostCommand(run.window, IDC_MAIN_DESKTOP);
    std::string expected = std::string(desktop) + "\\";
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_FOLDER, expected));
    std::vector<std::string> items = ReadListItems(run.window, IDC_MAIN_BROWSER);
    EXPECT_NE(items.end(), std::find(items.begin(), items.end(), "[..]"));
    EXPECT_TRUE(WaitForNoMessageBox(run.process.dwProcessId));
}

TEST_F(E2eBrowser, TheDialogsOkCommandInspectsTheDemoAfresh)
{
    Install("reinspect");
    std::string demo = JoinPath(folder, "changing.dem");
    ASSERT_TRUE(WriteDemo(demo, DemoOnMap("de_before", 42, "Alpha")));

    ASSERT_TRUE(LaunchFlickbox(exe, demo.c_str(), &run));
    ASSERT_EQ(SummaryOf("de_before", "42", "1.1.0.1"), ReadField(run.window, IDC_MAIN_SUMMARY));
    ASSERT_TRUE(WriteDemo(demo, DemoOnMap("de_after", 40, "Bravo")));
    PostCommand(run.window, IDOK);
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_SUMMARY, SummaryOf("de_after", "40", "1.0.1.6")));
    EXPECT_EQ(std::vector<std::string>({"Bravo"}), ReadListItems(run.window, IDC_MAIN_PLAYERS));
}

TEST_F(E2eBrowser, BrowsingForADemoLoadsTheChosenFileAndCancelReinspects)
{
    Install("browse");
    std::string picked = JoinPath(folder, "picked");
    ASSERT_TRUE(MakeFolders(picked));
    std::string first = JoinPath(folder, "first.dem");
    std::string chosen = JoinPath(picked, "chosen.dem");
    ASSERT_TRUE(WriteDemo(first, DemoOnMap("de_first", 42, "Alpha")));
    ASSERT_TRUE(WriteDemo(chosen, DemoOnMap("de_chosen", 45, "Charlie")));

    ASSERT_TRUE(LaunchFlickbox(exe, first.c_str(), &run));

    // Cancel: the demo in field 1000 is inspected again all the same.
    ASSERT_TRUE(WriteDemo(first, DemoOnMap("de_rewritten", 42, "Alpha")));
    PostCommand(run.window, IDC_MAIN_BROWSE_DEMO);
    MessageBoxView dialog;
    ASSERT_TRUE(WaitForMessageBox(run.process.dwProcessId, &dialog));
    EXPECT_EQ("Browse Demos", dialog.caption);
    EXPECT_TRUE(AnswerMessageBox(dialog, IDCANCEL));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_SUMMARY, SummaryOf("de_rewritten", "42", "1.1.0.1")));
    EXPECT_EQ(first, ReadField(run.window, IDC_MAIN_DEMO_PATH));

    // OK with a file name typed in: loaded, and its folder listed.
    PostCommand(run.window, IDC_MAIN_BROWSE_DEMO);
    ASSERT_TRUE(WaitForMessageBox(run.process.dwProcessId, &dialog));
    ASSERT_EQ("Browse Demos", dialog.caption);
    ASSERT_TRUE(TypeFileName(dialog.window, chosen));
    EXPECT_TRUE(AnswerMessageBox(dialog, IDOK));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_DEMO_PATH, chosen));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_FOLDER, picked + "\\"));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_SUMMARY, SummaryOf("de_chosen", "45", "1.1.0.8")));

    // The game executable: chosen into field 1011, nothing saved.
    std::string game = JoinPath(folder, "hl.exe");
    ASSERT_TRUE(InstallStandinGame(game));
    PostCommand(run.window, IDC_MAIN_BROWSE_EXE);
    ASSERT_TRUE(WaitForMessageBox(run.process.dwProcessId, &dialog));
    EXPECT_EQ("Browse Half-Life Executable", dialog.caption);
    ASSERT_TRUE(TypeFileName(dialog.window, game));
    EXPECT_TRUE(AnswerMessageBox(dialog, IDOK));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_EXE_PATH, game));
    bool found = true;
    ReadRegistryString(HKEY_CURRENT_USER, SETTINGS_KEY, "Path", &found);
    EXPECT_FALSE(found);
}

// What the browser should show for a folder, from the system's own search:
// every sub-folder in brackets but ".", and the names that hold ".dem".
static std::vector<std::string> ExpectedListing(const std::string& folder)
{
    std::vector<std::string> items;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return items;
    do {
        std::string name = entry.cFileName;
        if (name == ".")
            continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            items.push_back("[" + name + "]");
        else if (name.find(".dem") != std::string::npos)
            items.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return items;
}

TEST_F(E2eBrowser, ADrivesRootListsEveryEntry)
{
    Install("drive");
    std::string drive = folder.substr(0, 2);

    ASSERT_TRUE(LaunchFlickbox(exe, NULL, &run));
    // From a folder one below the root, [..] cuts back to the drive alone.
    char windows[MAX_PATH];
    ASSERT_TRUE(GetWindowsDirectoryA(windows, MAX_PATH));
    ASSERT_TRUE(SetField(run.window, IDC_MAIN_FOLDER, std::string(windows) + "\\"));
    ASSERT_TRUE(DoubleClickListItem(run.window, IDC_MAIN_BROWSER, "[..]"));
    EXPECT_TRUE(FieldBecomes(run.window, IDC_MAIN_FOLDER, drive + "\\"));
    std::vector<std::string> expected = ExpectedListing(drive);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(Sorted(expected), Sorted(ReadListItems(run.window, IDC_MAIN_BROWSER)));
    EXPECT_TRUE(StaysWithoutMessageBox(run.process.dwProcessId, run.window));
}
