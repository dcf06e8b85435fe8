// The demo browser on real folders: what a listing shows, the double-click
// walk, the desktop button and the failures.

#include <windows.h>

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "shared/text.h"
#include "tests/win/support/recorded_messages.h"
#include "tests/win/ui_test_support.h"
#include "ui/browser.h"
#include "ui/resource.h"

namespace {

typedef std::vector<std::string> Items;

// C:\<name> with sub-folders maps (holding m.dem) and empty, demos with and
// without ".dem" in their names, and files that are not listed.
std::string MakeDemoTree(const char* name)
{
    std::string folder = MakeUiFolder(name);
    CreateDirectoryA((folder + "\\maps").c_str(), NULL);
    CreateDirectoryA((folder + "\\empty").c_str(), NULL);
    WriteUiDemo(folder + "\\a.dem");
    WriteUiDemo(folder + "\\maps\\m.dem");
    WriteEmptyFile(folder + "\\b.dem.bak");
    WriteEmptyFile(folder + "\\x.demo");
    WriteEmptyFile(folder + "\\UPPER.DEM");
    WriteEmptyFile(folder + "\\mixed.Dem");
    WriteEmptyFile(folder + "\\notes.txt");
    return folder;
}

HWND OpenPlainDialog()
{
    CopyText(appState.startupDemoPath, sizeof appState.startupDemoPath, "");
    HWND dialog = OpenMainDialog();
    TakeRecordedBoxes();
    return dialog;
}

}  // namespace

TEST(UiDemoBrowser, ListsFoldersAndDotDemFilesWithCase)
{
    std::string folder = MakeDemoTree("ui browser list");
    HWND dialog = OpenPlainDialog();
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_ADDSTRING, 0, (LPARAM) "stale entry");

    ListDemoFolder(dialog, folder.c_str());
    EXPECT_EQ((Items{"[..]", "[empty]", "[maps]", "a.dem", "b.dem.bak", "x.demo"}),
              ListItems(dialog, IDC_MAIN_BROWSER));
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    CloseMainDialog(dialog);
    RemoveUiFolder(folder);
}

TEST(UiDemoBrowser, DriveRootListsItsFirstEntry)
{
    HWND dialog = OpenPlainDialog();
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
    CloseMainDialog(dialog);
}

TEST(UiDemoBrowser, UnreadableFolderIsReportedAndStillShown)
{
    HWND dialog = OpenPlainDialog();
    std::string missing = "C:\\ui no such folder";
    WIN32_FIND_DATAA found;
    ASSERT_EQ(INVALID_HANDLE_VALUE, FindFirstFileA((missing + "\\*").c_str(), &found));
    DWORD error = GetLastError();

    ListDemoFolder(dialog, missing.c_str());
    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(ErrorText("Could not read dir", error), boxes[0].text);
    EXPECT_EQ("Error", boxes[0].caption);
    EXPECT_EQ((unsigned)MB_ICONINFORMATION, boxes[0].flags);
    EXPECT_TRUE(ListItems(dialog, IDC_MAIN_BROWSER).empty());
    EXPECT_EQ(missing + "\\", FieldText(dialog, IDC_MAIN_FOLDER));
    CloseMainDialog(dialog);
}

TEST(UiDemoBrowser, FolderTooLongForTheSearchKeepsTheBrowser)
{
    std::string folder = MakeDemoTree("ui browser long");
    HWND dialog = OpenPlainDialog();
    ListDemoFolder(dialog, folder.c_str());
    Items before = ListItems(dialog, IDC_MAIN_BROWSER);

    std::string tooLong = "C:\\" + std::string(255, 'f');
    ListDemoFolder(dialog, tooLong.c_str());
    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(ErrorText("Could not read dir", ERROR_FILENAME_EXCED_RANGE), boxes[0].text);
    EXPECT_EQ(before, ListItems(dialog, IDC_MAIN_BROWSER));
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));
    CloseMainDialog(dialog);
    RemoveUiFolder(folder);
}

TEST(UiDemoBrowser, DoubleClickWalksFoldersAndLoadsFiles)
{
    std::string folder = MakeDemoTree("ui browser walk");
    HWND dialog = OpenPlainDialog();
    ListDemoFolder(dialog, folder.c_str());

    SelectEntry(dialog, "[maps]");
    NotifyBrowser(dialog, LBN_DBLCLK);
    EXPECT_EQ(folder + "\\maps\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_EQ((Items{"[..]", "m.dem"}), ListItems(dialog, IDC_MAIN_BROWSER));

    SelectEntry(dialog, "[..]");
    NotifyBrowser(dialog, LBN_DBLCLK);
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));

    // A file is loaded and inspected; the browser stays where it is.
    Items listed = ListItems(dialog, IDC_MAIN_BROWSER);
    SelectEntry(dialog, "a.dem");
    NotifyBrowser(dialog, LBN_DBLCLK);
    EXPECT_EQ(folder + "\\a.dem", FieldText(dialog, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ((Items{"Alpha", "Bravo"}), ListItems(dialog, IDC_MAIN_PLAYERS));
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_EQ(listed, ListItems(dialog, IDC_MAIN_BROWSER));

    // [..] in a folder under the root leads to the root.
    SelectEntry(dialog, "[..]");
    NotifyBrowser(dialog, LBN_DBLCLK);
    EXPECT_EQ("C:\\", FieldText(dialog, IDC_MAIN_FOLDER));
    Items root = ListItems(dialog, IDC_MAIN_BROWSER);
    EXPECT_NE(root.end(), std::find(root.begin(), root.end(), "[ui browser walk]"));
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    CloseMainDialog(dialog);
    RemoveUiFolder(folder);
}

TEST(UiDemoBrowser, OnlyADoubleClickOnASelectionActs)
{
    std::string folder = MakeDemoTree("ui browser quiet");
    HWND dialog = OpenPlainDialog();
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
    CloseMainDialog(dialog);
    RemoveUiFolder(folder);
}

TEST(UiDemoBrowser, DoubleClickUsesTheFolderTextAsTyped)
{
    std::string folder = MakeDemoTree("ui browser typed");
    HWND dialog = OpenPlainDialog();
    ListDemoFolder(dialog, folder.c_str());
    SelectEntry(dialog, "[maps]");
    // The user typed another folder; the entry is joined to that text.
    std::string other = MakeUiFolder("ui browser other");
    CreateDirectoryA((other + "\\maps").c_str(), NULL);
    WriteUiDemo(other + "\\maps\\o.dem");
    SetDlgItemTextA(dialog, IDC_MAIN_FOLDER, (other + "\\").c_str());
    NotifyBrowser(dialog, LBN_DBLCLK);
    EXPECT_EQ(other + "\\maps\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_EQ((Items{"[..]", "o.dem"}), ListItems(dialog, IDC_MAIN_BROWSER));
    CloseMainDialog(dialog);
    RemoveUiFolder(folder);
    RemoveUiFolder(other);
}

TEST(UiDemoBrowser, PathsThatDoNotFitAreRefused)
{
    HWND dialog = OpenPlainDialog();
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_ADDSTRING, 0, (LPARAM) "[maps]");
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_ADDSTRING, 0, (LPARAM) "a.dem");
    std::string error = ErrorText("Could not read dir", ERROR_FILENAME_EXCED_RANGE);

    // A folder text of 255 characters leaves no room for either entry.
    std::string folderText = "C:\\" + std::string(251, 'f') + "\\";
    for (const char* entry : {"a.dem", "[maps]"}) {
        SetDlgItemTextA(dialog, IDC_MAIN_FOLDER, folderText.c_str());
        SelectEntry(dialog, entry);
        NotifyBrowser(dialog, LBN_DBLCLK);
        std::vector<RecordedBox> boxes = TakeRecordedBoxes();
        ASSERT_EQ(1u, boxes.size()) << entry;
        EXPECT_EQ(error, boxes[0].text) << entry;
        EXPECT_EQ(folderText, FieldText(dialog, IDC_MAIN_FOLDER));
        EXPECT_EQ((Items{"[maps]", "a.dem"}), ListItems(dialog, IDC_MAIN_BROWSER));
        EXPECT_EQ("", FieldText(dialog, IDC_MAIN_DEMO_PATH));
    }

    // A folder text longer than the buffer is not cut and used.
    std::string overlong = "C:\\" + std::string(300, 'g') + "\\";
    SetDlgItemTextA(dialog, IDC_MAIN_FOLDER, overlong.c_str());
    SelectEntry(dialog, "[maps]");
    NotifyBrowser(dialog, LBN_DBLCLK);
    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(error, boxes[0].text);
    EXPECT_EQ(overlong, FieldText(dialog, IDC_MAIN_FOLDER));
    CloseMainDialog(dialog);
}

TEST(UiDemoBrowser, DesktopButtonListsTheDesktopFolder)
{
    HWND dialog = OpenPlainDialog();
    std::string before = FieldText(dialog, IDC_MAIN_FOLDER);
    char desktop[MAX_PATH];
    BOOL known = SHGetSpecialFolderPathA(NULL, desktop, CSIDL_DESKTOPDIRECTORY, FALSE);

    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_MAIN_DESKTOP, BN_CLICKED),
                 (LPARAM)GetDlgItem(dialog, IDC_MAIN_DESKTOP));
    std::string expected = known ? std::string(desktop) + "\\" : before;
    EXPECT_EQ(expected, FieldText(dialog, IDC_MAIN_FOLDER));
    CloseMainDialog(dialog);
}
