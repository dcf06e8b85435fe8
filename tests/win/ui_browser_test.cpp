// The demo browser on real folders: what a listing shows, the double-click
// walk, the desktop button and the failures.

#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/resource.h"
#include "shared/text.h"
#include "tests/support/test_files.h"
#include "tests/win/support/dialog_fields.h"
#include "tests/win/support/expected_boxes.h"
#include "tests/win/support/recorded_messages.h"
#include "tests/win/support/ui_test_support.h"
#include "ui/browser.h"

namespace {

typedef std::vector<std::string> Items;

// C:\<name> with sub-folders maps (holding m.dem) and empty, demos with and
// without ".dem" in their names, and files that are not listed.
std::string MakeDemoTree(const char* name)
{
    std::string folder = MakeFreshFolder(std::string("C:\\") + name);
    CreateDirectoryA((folder + "\\maps").c_str(), NULL);
    CreateDirectoryA((folder + "\\empty").c_str(), NULL);
    WriteUiDemo(folder + "\\a.dem");
    WriteUiDemo(folder + "\\maps\\m.dem");
    for (const char* empty : {"b.dem.bak", "x.demo", "UPPER.DEM", "mixed.Dem", "notes.txt"})
        EXPECT_TRUE(WriteFileBytes(folder + "\\" + empty, "")) << empty;
    return folder;
}

// The real main dialog, started without a demo, for each test.
struct UiDemoBrowser : testing::Test {
    HWND dialog = OpenPlainMainDialog();
    ~UiDemoBrowser() { CloseMainDialog(dialog); }
};

}  // namespace

TEST_F(UiDemoBrowser, ListsFoldersAndDotDemFilesWithCase)
{
    std::string folder = MakeDemoTree("ui browser list");
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_ADDSTRING, 0, (LPARAM) "stale entry");

    ListDemoFolder(dialog, folder.c_str());
    EXPECT_EQ((Items{"[..]", "[empty]", "[maps]", "a.dem", "b.dem.bak", "x.demo"}),
              ListItems(dialog, IDC_MAIN_BROWSER));
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    RemoveTree(folder);
}

TEST_F(UiDemoBrowser, DriveRootListsItsFirstEntry)
{
    ListDemoFolder(dialog, "C:");
    EXPECT_EQ("C:\\", FieldText(dialog, IDC_MAIN_FOLDER));
    Items items = ListItems(dialog, IDC_MAIN_BROWSER);
    EXPECT_NE(items.end(), std::find(items.begin(), items.end(), "[windows]"));
    EXPECT_EQ(items.end(), std::find(items.begin(), items.end(), "[.]"));

    // Whatever the search yields first is listed when it is not ".".
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("C:\\*", &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    FindClose(search);
    std::string first = found.cFileName;
    if (first != "." && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        EXPECT_NE(items.end(), std::find(items.begin(), items.end(), "[" + first + "]")) << first;
    }
}

TEST_F(UiDemoBrowser, UnreadableFolderIsReportedAndStillShown)
{
    std::string missing = "C:\\ui no such folder";
    WIN32_FIND_DATAA found;
    ASSERT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA((missing + "\\*").c_str(), &found));
    DWORD error = GetLastError();

    ListDemoFolder(dialog, missing.c_str());
    ExpectErrorBoxes({ErrorBoxText("Could not read dir", error)});
    EXPECT_TRUE(ListItems(dialog, IDC_MAIN_BROWSER).empty());
    EXPECT_EQ(missing + "\\", FieldText(dialog, IDC_MAIN_FOLDER));
}

TEST_F(UiDemoBrowser, FolderTooLongForTheSearchKeepsTheBrowser)
{
    std::string folder = MakeDemoTree("ui browser long");
    ListDemoFolder(dialog, folder.c_str());
    Items before = ListItems(dialog, IDC_MAIN_BROWSER);

    std::string tooLong = "C:\\" + std::string(255, 'f');
    ListDemoFolder(dialog, tooLong.c_str());
    ExpectErrorBoxes({ErrorBoxText("Could not read dir", ERROR_FILENAME_EXCED_RANGE)});
    EXPECT_EQ(before, ListItems(dialog, IDC_MAIN_BROWSER));
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));
    RemoveTree(folder);
}

TEST_F(UiDemoBrowser, DoubleClickWalksFoldersAndLoadsFiles)
{
    std::string folder = MakeDemoTree("ui browser walk");
    ListDemoFolder(dialog, folder.c_str());

    DoubleClickEntry(dialog, "[maps]");
    EXPECT_EQ(folder + "\\maps\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_EQ((Items{"[..]", "m.dem"}), ListItems(dialog, IDC_MAIN_BROWSER));

    DoubleClickEntry(dialog, "[..]");
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));

    // A file is loaded and inspected; the browser stays where it is.
    Items listed = ListItems(dialog, IDC_MAIN_BROWSER);
    DoubleClickEntry(dialog, "a.dem");
    EXPECT_EQ(folder + "\\a.dem", FieldText(dialog, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ((Items{"Alpha", "Bravo"}), ListItems(dialog, IDC_MAIN_PLAYERS));
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_EQ(listed, ListItems(dialog, IDC_MAIN_BROWSER));

    // [..] in a folder under the root leads to the root.
    DoubleClickEntry(dialog, "[..]");
    EXPECT_EQ("C:\\", FieldText(dialog, IDC_MAIN_FOLDER));
    Items root = ListItems(dialog, IDC_MAIN_BROWSER);
    EXPECT_NE(root.end(), std::find(root.begin(), root.end(), "[ui browser walk]"));
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    RemoveTree(folder);
}

TEST_F(UiDemoBrowser, OnlyADoubleClickOnASelectionActs)
{
    std::string folder = MakeDemoTree("ui browser quiet");
    ListDemoFolder(dialog, folder.c_str());

    SelectEntry(dialog, "[maps]");
    NotifyBrowser(dialog, LBN_SELCHANGE);
    NotifyBrowser(dialog, LBN_SETFOCUS);
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));

    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_SETCURSEL, (WPARAM)-1, 0);
    NotifyBrowser(dialog, LBN_DBLCLK);
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_EQ("", FieldText(dialog, IDC_MAIN_DEMO_PATH));
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    RemoveTree(folder);
}

TEST_F(UiDemoBrowser, DoubleClickUsesTheFolderTextAsTyped)
{
    std::string folder = MakeDemoTree("ui browser typed");
    ListDemoFolder(dialog, folder.c_str());
    SelectEntry(dialog, "[maps]");
    // The user typed another folder; the entry is joined to that text.
    std::string other = MakeFreshFolder("C:\\ui browser other");
    CreateDirectoryA((other + "\\maps").c_str(), NULL);
    WriteUiDemo(other + "\\maps\\o.dem");
    SetDlgItemTextA(dialog, IDC_MAIN_FOLDER, (other + "\\").c_str());
    NotifyBrowser(dialog, LBN_DBLCLK);
    EXPECT_EQ(other + "\\maps\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_EQ((Items{"[..]", "o.dem"}), ListItems(dialog, IDC_MAIN_BROWSER));
    RemoveTree(folder);
    RemoveTree(other);
}

TEST_F(UiDemoBrowser, PathsThatDoNotFitAreRefused)
{
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_ADDSTRING, 0, (LPARAM) "[maps]");
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_ADDSTRING, 0, (LPARAM) "a.dem");
    std::string error = ErrorBoxText("Could not read dir", ERROR_FILENAME_EXCED_RANGE);

    // A folder text of 255 characters leaves no room for either entry.
    std::string folderText = "C:\\" + std::string(251, 'f') + "\\";
    for (const char* entry : {"a.dem", "[maps]"}) {
        SCOPED_TRACE(entry);
        SetDlgItemTextA(dialog, IDC_MAIN_FOLDER, folderText.c_str());
        DoubleClickEntry(dialog, entry);
        ExpectErrorBoxes({error});
        EXPECT_EQ(folderText, FieldText(dialog, IDC_MAIN_FOLDER));
        EXPECT_EQ((Items{"[maps]", "a.dem"}), ListItems(dialog, IDC_MAIN_BROWSER));
        EXPECT_EQ("", FieldText(dialog, IDC_MAIN_DEMO_PATH));
    }

    // A folder text longer than the buffer is not cut and used.
    std::string overlong = "C:\\" + std::string(300, 'g') + "\\";
    SetDlgItemTextA(dialog, IDC_MAIN_FOLDER, overlong.c_str());
    DoubleClickEntry(dialog, "[maps]");
    ExpectErrorBoxes({error});
    EXPECT_EQ(overlong, FieldText(dialog, IDC_MAIN_FOLDER));
}

TEST_F(UiDemoBrowser, DesktopButtonListsTheDesktopFolder)
{
    std::string before = FieldText(dialog, IDC_MAIN_FOLDER);
    char desktop[MAX_PATH];
    BOOL known = SHGetSpecialFolderPathA(NULL, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);

    PressButton(dialog, IDC_MAIN_DESKTOP);
    std::string expected = known ? std::string(desktop) + "\\" : before;
    EXPECT_EQ(expected, FieldText(dialog, IDC_MAIN_FOLDER));
}
