#include <windows.h>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/colours.h"
#include "app/resource.h"
#include "demo/convert.h"
#include "demo/inspect.h"
#include "tests/support/test_files.h"
#include "tests/win/support/demo_test_support.h"
#include "tests/win/support/dialog_fields.h"
#include "tests/win/support/recorded_messages.h"
#include "tools/sample_demo.h"

static HWND OpenConverter()
{
    HWND dialog = CreateDialogParamA(appInstance, MAKEINTRESOURCEA(IDD_CONVERT), NULL,
                                     ConvertResolutionDialog, 0);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    return dialog;
}

// A main dialog showing the inspected demo, with a stale summary so that a
// new inspection can be seen.
static HWND InspectedMainDialog(const std::string& demo)
{
    ClearInspectionState();
    HWND mainDialog = CreateIdleDialog(IDD_MAIN);
    SetDemoPath(mainDialog, demo);
    InspectDemo(mainDialog);
    SetFieldText(mainDialog, IDC_MAIN_SUMMARY, "stale");
    TakeRecordedBoxes();
    return mainDialog;
}

// A scratch folder with demo.dem; the dialogs a test opens close at its end.
struct DemoConvertDialog : testing::Test {
    std::string folder = MakeScratchFolder("convert-dialog");
    std::string demo = folder + "\\demo.dem";
    HWND mainDialog = NULL;
    HWND dialog = NULL;
    // Writes the demo, inspects it in a main dialog and opens the converter
    // with the new size typed in.
    void OpenOn(const SampleDemoSpec& spec, const char* newWidth, const char* newHeight)
    {
        ASSERT_TRUE(WriteSampleDemo(demo.c_str(), spec));
        mainDialog = InspectedMainDialog(demo);
        dialog = OpenConverter();
        ASSERT_TRUE(mainDialog != NULL && dialog != NULL);
        SetFieldText(dialog, IDC_CONVERT_NEW_WIDTH, newWidth);
        SetFieldText(dialog, IDC_CONVERT_NEW_HEIGHT, newHeight);
    }
    void CloseDialogs()
    {
        if (dialog)
            DestroyWindow(dialog);
        if (mainDialog)
            DestroyWindow(mainDialog);
        dialog = mainDialog = NULL;
    }
    ~DemoConvertDialog()
    {
        CloseDialogs();
        ClearInspectionState();
        RemoveTree(folder);
    }
};

TEST_F(DemoConvertDialog, ShowsCurrentSizeWithIconCentred)
{
    EXPECT_TRUE(CopyText(appState.demoWidth, sizeof appState.demoWidth, "800"));
    EXPECT_TRUE(CopyText(appState.demoHeight, sizeof appState.demoHeight, "*"));

    dialog = OpenConverter();
    ASSERT_TRUE(dialog);

    EXPECT_EQ("800", FieldText(dialog, IDC_CONVERT_OLD_WIDTH));
    EXPECT_EQ("*", FieldText(dialog, IDC_CONVERT_OLD_HEIGHT));
    EXPECT_EQ("", FieldText(dialog, IDC_CONVERT_NEW_WIDTH));
    HICON small = (HICON)SendMessageA(dialog, WM_GETICON, ICON_SMALL, 0);
    HICON big = (HICON)SendMessageA(dialog, WM_GETICON, ICON_BIG, 0);
    EXPECT_TRUE(small);
    EXPECT_EQ(small, big);
    RECT frame;
    GetWindowRect(dialog, &frame);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    EXPECT_EQ((GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2, frame.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2, frame.top);

    // The background is bitmap 140 at its own size, and goes with the dialog.
    HBITMAP background = (HBITMAP)GetWindowLongPtrA(dialog, DWLP_USER);
    BITMAP size = {};
    ASSERT_TRUE(GetObjectA(background, sizeof size, &size));
    EXPECT_EQ(280, size.bmWidth);
    EXPECT_EQ(154, size.bmHeight);
    DestroyWindow(dialog);
    dialog = NULL;
    EXPECT_EQ(0u, GetObjectType(background));
}

TEST_F(DemoConvertDialog, PaintsTheBackgroundAtTheOrigin)
{
    dialog = OpenConverter();
    HBITMAP own = LoadBitmapA(appInstance, MAKEINTRESOURCEA(IDB_CONVERT_BACKGROUND));
    HDC source = CreateCompatibleDC(NULL);
    HGDIOBJ previous = SelectObject(source, own);
    HDC screen = GetDC(dialog);
    // Points clear of the four fields and the buttons.
    const POINT points[] = {{0, 0}, {3, 5}, {150, 10}, {5, 120}, {60, 140}};
    for (const POINT& point : points) {
        SCOPED_TRACE(std::to_string(point.x) + "," + std::to_string(point.y));
        EXPECT_EQ(GetPixel(source, point.x, point.y), GetPixel(screen, point.x, point.y));
    }
    ReleaseDC(dialog, screen);
    SelectObject(source, previous);
    DeleteDC(source);
    DeleteObject(own);
}

TEST_F(DemoConvertDialog, ColoursItsControls)
{
    dialog = OpenConverter();
    HDC dc = GetDC(dialog);
    ASSERT_NE(editBrush, dialogBrush);
    struct {
        UINT message;
        int control;
        HBRUSH brush;
    } rows[] = {
        {WM_CTLCOLOREDIT, IDC_CONVERT_NEW_WIDTH, editBrush},
        {WM_CTLCOLORSTATIC, IDC_CONVERT_OLD_WIDTH, dialogBrush},
    };
    for (const auto& row : rows) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, OPAQUE);
        LRESULT brush = SendMessageA(dialog, row.message, (WPARAM)dc,
                                     (LPARAM)GetDlgItem(dialog, row.control));
        EXPECT_EQ((LRESULT)row.brush, brush);
        EXPECT_EQ(RGB(209, 202, 187), GetTextColor(dc));
        EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
    }
    EXPECT_EQ((LRESULT)dialogBrush, SendMessageA(dialog, WM_CTLCOLORDLG, (WPARAM)dc, (LPARAM)dialog));
    ReleaseDC(dialog, dc);
}

TEST_F(DemoConvertDialog, OkConvertsClosesAndInspectsAgain)
{
    HBITMAP oldPreview = CreateBitmap(2, 2, 1, 1, NULL);
    OpenOn(SpecOfSize(800, 600), "1024", "768");
    ASSERT_STREQ("800", appState.demoWidth);
    appState.mapPreview = oldPreview;
    EXPECT_EQ("600", FieldText(dialog, IDC_CONVERT_OLD_HEIGHT));

    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Convert resolution in demo?", boxes[0].text);
    EXPECT_EQ("Demo converted.", boxes[1].text);
    EXPECT_EQ(QUESTION, boxes[1].flags);
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_EQ(0u, GetObjectType(oldPreview));
    EXPECT_STREQ("1024", appState.demoWidth);
    EXPECT_STREQ("768", appState.demoHeight);
    EXPECT_NE(std::string::npos, FieldText(mainDialog, IDC_MAIN_SUMMARY).find("Demo Res: 1024x768\n"));
    EXPECT_TRUE(BuildSampleDemo(SpecOfSize(1024, 768)) == ReadFileBytes(demo));
}

TEST_F(DemoConvertDialog, OkFindsTheMainDialogUnderANoticeOfTheSameTitle)
{
    OpenOn(SpecOfSize(800, 600), "1024", "768");
    // A notice left open by the main window carries the title "Flickbox" too.
    HWND notice = CreateWindowExA(0, "STATIC", "Flickbox", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                                  NULL, NULL, GetModuleHandleA(NULL), NULL);
    SetWindowPos(notice, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ASSERT_EQ(notice, FindWindowA(NULL, "Flickbox"));

    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Demo converted.", boxes[1].text);
    EXPECT_TRUE(BuildSampleDemo(SpecOfSize(1024, 768)) == ReadFileBytes(demo));
    EXPECT_NE(std::string::npos, FieldText(mainDialog, IDC_MAIN_SUMMARY).find("Demo Res: 1024x768\n"));

    DestroyWindow(notice);
}

struct RefusedOk {
    const char* name;
    bool recorded;          // the demo holds a record of its size
    const char* newWidth;
    const char* newHeight;
    int answer;
    const char* box;
};

// Whatever the conversion did, OK closes the dialog and inspects again.
TEST_F(DemoConvertDialog, OkWithoutConversionStillInspectsAgain)
{
    const RefusedOk cases[] = {
        {"cancelled", true, "1024", "768", IDCANCEL, "Convert resolution in demo?"},
        {"rejected", true, "1000", "768", IDOK,
         "Wrong resolution. Available resolutions are:\n1280x960\n1152x864\n1024x768\n800x600\n"
         "640x480\n512x384\n480x360\n400x300"},
        {"empty height", true, "1024", "", IDOK,
         "Wrong resolution. Available resolutions are:\n1280x960\n1152x864\n1024x768\n800x600\n"
         "640x480\n512x384\n480x360\n400x300"},
        {"unknown size", false, "1024", "768", IDOK,
         "The demo's current resolution is unknown, so it cannot be converted."},
    };
    for (const RefusedOk& refused : cases) {
        SCOPED_TRACE(refused.name);
        SampleDemoSpec spec = SpecOfSize(800, 600);
        if (!refused.recorded)
            spec.width = spec.height = 0;
        OpenOn(spec, refused.newWidth, refused.newHeight);
        std::string before = DemoFileState(demo);
        ScriptAnswers({refused.answer});

        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);

        std::vector<RecordedBox> boxes = TakeRecordedBoxes();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ(refused.box, boxes[0].text);
        EXPECT_FALSE(IsWindowVisible(dialog));
        EXPECT_EQ(before, DemoFileState(demo));
        EXPECT_EQ(0u, FieldText(mainDialog, IDC_MAIN_SUMMARY).find("Half-Life Version: "));
        CloseDialogs();
    }
}

static UINT endingMessage;
static WPARAM endingCommand;

static void CALLBACK EndConverter(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = FindWindowA(NULL, "Convert demo resolution");
    if (!dialog)
        return;
    KillTimer(NULL, timer);
    SetDlgItemTextA(dialog, IDC_CONVERT_NEW_WIDTH, "1024");
    SetDlgItemTextA(dialog, IDC_CONVERT_NEW_HEIGHT, "768");
    PostMessageA(dialog, endingMessage, endingCommand, 0);
}

// Run modally, as the main window does: Cancel ends with 2, the close box with
// 0, and neither converts nor inspects.
TEST_F(DemoConvertDialog, CancelAndCloseEndWithoutConverting)
{
    const struct {
        UINT message;
        WPARAM command;
        INT_PTR result;
    } endings[] = {
        {WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), IDCANCEL},
        {WM_CLOSE, 0, 0},
    };
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), SpecOfSize(800, 600)));
    mainDialog = InspectedMainDialog(demo);
    std::string before = DemoFileState(demo);

    for (const auto& ending : endings) {
        endingMessage = ending.message;
        endingCommand = ending.command;
        SetTimer(NULL, 0, 20, EndConverter);
        INT_PTR result = DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_CONVERT), NULL,
                                         ConvertResolutionDialog, 0);
        EXPECT_EQ(ending.result, result);
    }
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    EXPECT_EQ(before, DemoFileState(demo));
    EXPECT_EQ("stale", FieldText(mainDialog, IDC_MAIN_SUMMARY));
}
