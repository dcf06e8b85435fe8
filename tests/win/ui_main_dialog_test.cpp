// The main dialog as the program runs it: initialisation, painting, colours,
// the release on destruction and the hand-over from a later instance.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/colours.h"
#include "app/resource.h"
#include "shared/text.h"
#include "tests/support/test_files.h"
#include "tests/win/support/dialog_fields.h"
#include "tests/win/support/recorded_messages.h"
#include "tests/win/support/ui_test_support.h"
#include "ui/main_dialog.h"

namespace {

HBITMAP SolidBitmap(int width, int height, COLORREF colour)
{
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return bitmap;
}

COLORREF BackgroundPixel(int x, int y)
{
    HBITMAP background = (HBITMAP)LoadImageA(GetModuleHandleA(NULL),
                                             MAKEINTRESOURCEA(IDB_MAIN_BACKGROUND), IMAGE_BITMAP,
                                             0, 0, LR_DEFAULTCOLOR);
    HDC memory = CreateCompatibleDC(NULL);
    HGDIOBJ previous = SelectObject(memory, background);
    COLORREF pixel = GetPixel(memory, x, y);
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(background);
    return pixel;
}

LRESULT SendCopyData(HWND dialog, const void* data, DWORD size)
{
    COPYDATASTRUCT record;
    record.dwData = 0;
    record.cbData = size;
    record.lpData = (void*)data;
    return SendMessageA(dialog, WM_COPYDATA, 0, (LPARAM)&record);
}

// A scratch folder for sample demos; Open starts the main dialog afresh with
// the start-up path given, and Close, or the test's end, closes it.
struct UiMainDialog : testing::Test {
    std::string folder = MakeFreshFolder("C:\\ui main dialog");
    HWND dialog = NULL;
    std::string Demo(const std::string& name)
    {
        WriteUiDemo(folder + "\\" + name);
        return folder + "\\" + name;
    }
    void Open(const char* startup)
    {
        EXPECT_TRUE(CopyText(appState.startupDemoPath, sizeof appState.startupDemoPath, startup));
        ReleaseMapPreview();
        TakeRecordedBoxes();
        dialog = OpenMainDialog();
        ASSERT_TRUE(dialog != NULL);
    }
    void Close()
    {
        if (dialog)
            CloseMainDialog(dialog);
        dialog = NULL;
    }
    ~UiMainDialog()
    {
        Close();
        RemoveTree(folder);
    }
};
struct UiHandOver : UiMainDialog {};

}  // namespace

TEST_F(UiMainDialog, StartWithoutDemoListsTheProgramFolder)
{
    Demo("b.dem");
    char savedDir[PATH_BUFFER_SIZE];
    EXPECT_TRUE(CopyText(savedDir, sizeof savedDir, appState.programDir));
    EXPECT_TRUE(CopyText(appState.programDir, sizeof appState.programDir, folder.c_str()));
    // One or two characters are no demo.
    for (const char* startup : {"", "ab"}) {
        Open(startup);
        EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER)) << startup;
        EXPECT_EQ((std::vector<std::string>{"[..]", "b.dem"}), ListItems(dialog, IDC_MAIN_BROWSER));
        EXPECT_EQ("", FieldText(dialog, IDC_MAIN_DEMO_PATH));
        EXPECT_EQ("", FieldText(dialog, IDC_MAIN_SUMMARY));
        EXPECT_TRUE(TakeRecordedBoxes().empty());
        Close();
    }
    EXPECT_TRUE(CopyText(appState.programDir, sizeof appState.programDir, savedDir));
}

TEST_F(UiMainDialog, StartWithDemoListsItsFolderAndInspectsIt)
{
    CreateDirectoryA((folder + "\\maps").c_str(), NULL);
    std::string demo = Demo("a.dem");
    Open(demo.c_str());

    EXPECT_EQ(demo, FieldText(dialog, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ(folder + "\\", FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_EQ((std::vector<std::string>{"[..]", "[maps]", "a.dem"}), ListItems(dialog, IDC_MAIN_BROWSER));
    EXPECT_NE("", FieldText(dialog, IDC_MAIN_SUMMARY));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo"}), ListItems(dialog, IDC_MAIN_PLAYERS));
    EXPECT_TRUE(TakeRecordedBoxes().empty());

    // Centred, with the one small icon as both icons.
    RECT rect;
    GetWindowRect(dialog, &rect);
    EXPECT_EQ((GetSystemMetrics(SM_CXFULLSCREEN) - (rect.right - rect.left)) / 2, rect.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYFULLSCREEN) - (rect.bottom - rect.top)) / 2, rect.top);
    HICON small = (HICON)SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0);
    EXPECT_TRUE(small != NULL);
    EXPECT_EQ(small, (HICON)SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
}

TEST_F(UiMainDialog, PaintsBackgroundAndPreview)
{
    Open("");
    SetForegroundWindow(dialog);
    appState.mapPreview = SolidBitmap(20, 10, RGB(255, 0, 0));
    InvalidateRect(dialog, NULL, TRUE);
    UpdateWindow(dialog);

    HDC dc = GetDC(dialog);
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 37, 125));
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 56, 134));
    EXPECT_EQ(BackgroundPixel(36, 125), GetPixel(dc, 36, 125));
    EXPECT_EQ(BackgroundPixel(57, 135), GetPixel(dc, 57, 135));
    EXPECT_EQ(BackgroundPixel(5, 5), GetPixel(dc, 5, 5));
    EXPECT_EQ(BackgroundPixel(20, 480), GetPixel(dc, 20, 480));
    ReleaseDC(dialog, dc);
}

TEST_F(UiMainDialog, ColourMessagesReturnTheirBrushes)
{
    Open("");
    struct Row {
        UINT message;
        HBRUSH brush;
        bool coloursText;
    } rows[] = {
        {WM_CTLCOLOREDIT, editBrush, true},      {WM_CTLCOLORLISTBOX, editBrush, true},
        {WM_CTLCOLORBTN, buttonBrush, true},     {WM_CTLCOLORSTATIC, dialogBrush, true},
        {WM_CTLCOLORDLG, dialogBrush, false},
    };
    HDC dc = GetDC(dialog);
    for (const Row& row : rows) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, OPAQUE);
        SetBkColor(dc, RGB(255, 255, 255));
        LRESULT result = SendMessageA(dialog, row.message, (WPARAM)dc, (LPARAM)dialog);
        EXPECT_EQ((LRESULT)row.brush, result) << row.message;
        EXPECT_EQ(row.coloursText ? RGB(209, 202, 187) : RGB(0, 0, 0), GetTextColor(dc)) << row.message;
        EXPECT_EQ(row.coloursText ? TRANSPARENT : OPAQUE, GetBkMode(dc)) << row.message;
        EXPECT_EQ(row.coloursText ? RGB(93, 86, 71) : RGB(255, 255, 255), GetBkColor(dc))
            << row.message;
    }
    // Left to the default handling.
    LRESULT scrollBar = SendMessageA(dialog, WM_CTLCOLORSCROLLBAR, (WPARAM)dc, (LPARAM)dialog);
    EXPECT_NE((LRESULT)dialogBrush, scrollBar);
    EXPECT_NE((LRESULT)editBrush, scrollBar);
    EXPECT_NE((LRESULT)buttonBrush, scrollBar);
    ReleaseDC(dialog, dc);
    for (HBRUSH handle : {dialogBrush, editBrush, buttonBrush}) {
        LOGBRUSH brush;
        ASSERT_TRUE(GetObjectA(handle, sizeof brush, &brush));
        EXPECT_EQ(RGB(93, 86, 71), brush.lbColor);
    }
}

TEST_F(UiMainDialog, DestroyReleasesPreviewBrushesAndIcon)
{
    Open("");
    HBITMAP preview = SolidBitmap(4, 4, RGB(0, 255, 0));
    appState.mapPreview = preview;
    HBRUSH brushes[] = {dialogBrush, editBrush, buttonBrush};
    HICON icon = (HICON)SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0);
    ASSERT_TRUE(icon != NULL);

    DestroyWindow(dialog);
    dialog = NULL;
    EXPECT_TRUE(appState.mapPreview == NULL);
    EXPECT_EQ(0u, GetObjectType(preview));
    EXPECT_TRUE(dialogBrush == NULL && editBrush == NULL && buttonBrush == NULL);
    for (HBRUSH brush : brushes)
        EXPECT_EQ(0u, GetObjectType(brush));
    ICONINFO info;
    EXPECT_FALSE(GetIconInfo(icon, &info));
    CreateDialogBrushes();
}

TEST_F(UiHandOver, FullPathLoadsTheDemoAndKeepsTheBrowser)
{
    CreateDirectoryA((folder + "\\sub").c_str(), NULL);
    std::string demo = Demo("sub\\a.dem");
    Open("");
    std::string browserFolder = FieldText(dialog, IDC_MAIN_FOLDER);
    std::vector<std::string> browserItems = ListItems(dialog, IDC_MAIN_BROWSER);
    ShowWindow(dialog, SW_MINIMIZE);

    EXPECT_TRUE(SendCopyData(dialog, demo.c_str(), (DWORD)demo.size() + 1));
    EXPECT_FALSE(IsIconic(dialog));
    EXPECT_STREQ(demo.c_str(), appState.startupDemoPath);
    EXPECT_EQ(demo, FieldText(dialog, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "Bravo"}), ListItems(dialog, IDC_MAIN_PLAYERS));
    EXPECT_EQ(browserFolder, FieldText(dialog, IDC_MAIN_FOLDER));
    EXPECT_EQ(browserItems, ListItems(dialog, IDC_MAIN_BROWSER));
    EXPECT_TRUE(TakeRecordedBoxes().empty());
}

TEST_F(UiHandOver, CopyIsBoundedByTheRecordAndTheBuffer)
{
    std::string demo = Demo("a.dem");
    Open("");

    // No NUL within cbData: the text ends where the record ends.
    std::string unterminated = demo + "trailing bytes";
    SendCopyData(dialog, unterminated.data(), (DWORD)demo.size());
    EXPECT_STREQ(demo.c_str(), appState.startupDemoPath);
    EXPECT_EQ(demo, FieldText(dialog, IDC_MAIN_DEMO_PATH));
    EXPECT_TRUE(TakeRecordedBoxes().empty());

    // A NUL inside the record ends the text there.
    std::string early = std::string("xy") + '\0' + "zzzz";
    SendCopyData(dialog, early.data(), (DWORD)early.size());
    EXPECT_STREQ("xy", appState.startupDemoPath);
    EXPECT_EQ(demo, FieldText(dialog, IDC_MAIN_DEMO_PATH));

    // Records with no data change nothing.
    EXPECT_TRUE(CopyText(appState.startupDemoPath, sizeof appState.startupDemoPath, "kept"));
    SendCopyData(dialog, demo.c_str(), 0);
    SendCopyData(dialog, NULL, 10);
    EXPECT_STREQ("kept", appState.startupDemoPath);
    EXPECT_EQ(demo, FieldText(dialog, IDC_MAIN_DEMO_PATH));

    // Longer than the buffer: 259 characters are taken.
    std::string longText = "C:\\" + std::string(400, 'q');
    SendCopyData(dialog, longText.c_str(), (DWORD)longText.size() + 1);
    EXPECT_EQ(longText.substr(0, 259), appState.startupDemoPath);
    EXPECT_EQ(longText.substr(0, 259), FieldText(dialog, IDC_MAIN_DEMO_PATH));
    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].text.find("Could not open demo-file: ")) << boxes[0].text;
}

TEST_F(UiHandOver, ShortTextIsStoredAndNothingElseHappens)
{
    std::string demo = Demo("a.dem");
    Open(demo.c_str());
    HBITMAP preview = SolidBitmap(4, 4, RGB(0, 0, 255));
    appState.mapPreview = preview;

    SendCopyData(dialog, "ab", 3);
    EXPECT_STREQ("ab", appState.startupDemoPath);
    EXPECT_EQ(demo, FieldText(dialog, IDC_MAIN_DEMO_PATH));
    EXPECT_EQ(preview, appState.mapPreview);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
}
