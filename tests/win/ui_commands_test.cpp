// The main dialog's buttons: what each command does and which boxes it shows.

#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/colours.h"
#include "app/resource.h"
#include "shared/text.h"
#include "tests/support/test_files.h"
#include "tests/win/support/dialog_fields.h"
#include "tests/win/support/expected_boxes.h"
#include "tests/win/support/recorded_messages.h"
#include "tests/win/support/ui_test_support.h"
#include "ui/file_dialogs.h"
#include "ui/main_dialog.h"

namespace {

HBITMAP SmallBitmap()
{
    return CreateBitmap(2, 2, 1, 32, NULL);
}

// What a timer does to the next window with the given title, while a modal
// loop runs on this thread.
const char* targetTitle;
std::string typedFileName;
UINT_PTR timer;
bool acted;

void CALLBACK ActOnWindow(HWND, UINT, UINT_PTR, DWORD)
{
    HWND window = FindWindowA("#32770", targetTitle);
    if (!window || acted)
        return;
    acted = true;
    KillTimer(NULL, timer);
    if (!strcmp(targetTitle, "Flickbox")) {
        PostMessageA(window, typedFileName == "close" ? WM_CLOSE : WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (typedFileName.empty()) {
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    // The file name box of the open-file dialog (edt1 or, in the explorer
    // layout, cmb13).
    if (!SetDlgItemTextA(window, 0x480, typedFileName.c_str()))
        SetDlgItemTextA(window, 0x47c, typedFileName.c_str());
    PostMessageA(window, WM_COMMAND, IDOK, 0);
}

void ActSoon(const char* title, const std::string& fileName)
{
    targetTitle = title;
    typedFileName = fileName;
    acted = false;
    timer = SetTimer(NULL, 0, 100, ActOnWindow);
}

}  // namespace

TEST(UiMainCommands, CloseEndsWithZeroAndCancelWithTwo)
{
    EXPECT_TRUE(CopyText(appState.startupDemoPath, sizeof appState.startupDemoPath, ""));
    ActSoon("Flickbox", "close");
    EXPECT_EQ(0, DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_MAIN), NULL,
                                 MainDialogProc, 0));
    EXPECT_TRUE(acted);
    CreateDialogBrushes();

    ActSoon("Flickbox", "cancel");
    EXPECT_EQ(IDCANCEL, DialogBoxParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_MAIN), NULL,
                                        MainDialogProc, 0));
    EXPECT_TRUE(acted);
    CreateDialogBrushes();
    EXPECT_TRUE(TakeRecordedBoxes().empty());
}

TEST(UiMainCommands, OkReleasesThePreviewAndInspectsAGivenDemo)
{
    std::string folder = MakeFreshFolder("C:\\ui commands ok");
    HWND dialog = OpenPlainMainDialog();
    HBITMAP preview = SmallBitmap();
    appState.mapPreview = preview;
    PressButton(dialog, IDOK);
    EXPECT_TRUE(appState.mapPreview == NULL);
    EXPECT_EQ(0u, GetObjectType(preview));
    EXPECT_TRUE(TakeRecordedBoxes().empty());

    SetDlgItemTextA(dialog, IDC_MAIN_DEMO_PATH, (folder + "\\gone.dem").c_str());
    PressButton(dialog, IDOK);
    ExpectErrorBoxes({ErrorBoxText("Could not open demo-file", ERROR_FILE_NOT_FOUND)});
    // A path longer than the field's 259 characters is no empty one.
    SetDlgItemTextA(dialog, IDC_MAIN_DEMO_PATH, std::string(300, 'x').c_str());
    PressButton(dialog, IDOK);
    ExpectErrorBoxes({ErrorBoxText("Could not open demo-file", ERROR_FILENAME_EXCED_RANGE)});

    WriteUiDemo(folder + "\\here.dem");
    SetDlgItemTextA(dialog, IDC_MAIN_DEMO_PATH, (folder + "\\here.dem").c_str());
    preview = SmallBitmap();
    appState.mapPreview = preview;
    PressButton(dialog, IDOK);
    EXPECT_EQ(0u, GetObjectType(preview));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo"}), ListItems(dialog, IDC_MAIN_PLAYERS));
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    CloseMainDialog(dialog);
    RemoveTree(folder);
}

TEST(UiMainCommands, ConverterNeedsADemoPath)
{
    HWND dialog = OpenPlainMainDialog();
    for (const char* path : {"", "x"}) {
        SCOPED_TRACE(path);
        SetDlgItemTextA(dialog, IDC_MAIN_DEMO_PATH, path);
        PressButton(dialog, IDC_MAIN_CONVERT);
        ExpectOnlyNotice("No demo loaded.");
    }
    CloseMainDialog(dialog);
}

TEST(UiMainCommands, SaveReportsSuccessOnlyWhenSaved)
{
    HWND dialog = OpenPlainMainDialog();
    SetDlgItemTextA(dialog, IDC_MAIN_EXE_PATH, "C:\\Games\\Half-Life\\hl.exe");
    SetDlgItemTextA(dialog, IDC_MAIN_COMMAND_LINE, "-console");
    SetDlgItemTextA(dialog, IDC_MAIN_DEMO_SPEED, "2");
    PressButton(dialog, IDC_MAIN_SAVE);
    ExpectOnlyNotice("Settings succesfully saved.");

    // A volatile parent refuses the lasting settings key: the save fails.
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Brakwood\\Flickbox\\Settings");
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Brakwood\\Flickbox");
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brakwood\\Flickbox", 0,
                                             NULL, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, NULL,
                                             &key, NULL));
    RegCloseKey(key);
    PressButton(dialog, IDC_MAIN_SAVE);
    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].text.find("Could not create the settings registry key: "))
        << boxes[0].text;
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Brakwood\\Flickbox");
    CloseMainDialog(dialog);
}

TEST(UiMainCommands, BrowseForDemoChoosesListsAndInspects)
{
    std::string folder = MakeFreshFolder("C:\\ui commands browse");
    WriteUiDemo(folder + "\\chosen.dem");
    WriteUiDemo(folder + "\\old.dem");
    HWND dialog = OpenPlainMainDialog();
    SetDlgItemTextA(dialog, IDC_MAIN_DEMO_PATH, (folder + "\\old.dem").c_str());

    ActSoon("Browse Demos", folder + "\\chosen.dem");
    PressButton(dialog, IDC_MAIN_BROWSE_DEMO);
    EXPECT_TRUE(acted);
    EXPECT_EQ(folder + "\\chosen.dem", FieldText(dialog, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_EQ((std::vector<std::string>{"[..]", "chosen.dem", "old.dem"}),
              ListItems(dialog, IDC_MAIN_BROWSER));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo"}), ListItems(dialog, IDC_MAIN_PLAYERS));
    EXPECT_TRUE(TakeRecordedBoxes().empty());

    // Cancelled: the field keeps its demo, which is inspected afresh.
    SendDlgItemMessageA(dialog, IDC_MAIN_PLAYERS, LB_RESETCONTENT, 0, 0);
    SetDlgItemTextA(dialog, IDC_MAIN_FOLDER, "C:\\");
    ActSoon("Browse Demos", "");
    PressButton(dialog, IDC_MAIN_BROWSE_DEMO);
    EXPECT_TRUE(acted);
    EXPECT_EQ(folder + "\\chosen.dem", FieldText(dialog, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ("C:\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo"}), ListItems(dialog, IDC_MAIN_PLAYERS));
    CloseMainDialog(dialog);
    RemoveTree(folder);
}

TEST(UiMainCommands, BrowseForGameExecutableSetsOnlyTheField)
{
    std::string folder = MakeFreshFolder("C:\\ui commands exe");
    EXPECT_TRUE(WriteFileBytes(folder + "\\hl.exe", ""));
    HWND dialog = OpenPlainMainDialog();
    ActSoon("Browse Half-Life Executable", folder + "\\hl.exe");
    PressButton(dialog, IDC_MAIN_BROWSE_EXE);
    EXPECT_TRUE(acted);
    EXPECT_EQ(folder + "\\hl.exe", FieldText(dialog, IDC_MAIN_EXE_PATH));
    HKEY key;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Brakwood\\Flickbox\\Settings",
                                           0, KEY_READ, &key));

    char path[260] = "C:\\before.exe";
    ActSoon("Browse Half-Life Executable", "");
    EXPECT_FALSE(BrowseForGameExecutable(path, dialog));
    EXPECT_STREQ("C:\\before.exe", path);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    CloseMainDialog(dialog);
    RemoveTree(folder);
}
