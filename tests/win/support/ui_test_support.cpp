#include "tests/win/support/ui_test_support.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/colours.h"
#include "app/resource.h"
#include "shared/text.h"
#include "tests/win/support/recorded_messages.h"
#include "tools/sample_demo.h"
#include "ui/main_dialog.h"

HWND OpenMainDialog()
{
    if (!dialogBrush)
        CreateDialogBrushes();
    HWND dialog = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_MAIN), NULL,
                                     MainDialogProc, 0);
    EXPECT_TRUE(dialog != NULL);
    ShowWindow(dialog, SW_SHOWNORMAL);
    return dialog;
}

void CloseMainDialog(HWND dialog)
{
    DestroyWindow(dialog);
    CreateDialogBrushes();
}

HWND OpenPlainMainDialog()
{
    EXPECT_TRUE(CopyText(appState.startupDemoPath, sizeof appState.startupDemoPath, ""));
    HWND dialog = OpenMainDialog();
    TakeRecordedBoxes();
    return dialog;
}

void WriteUiDemo(const std::string& path)
{
    SampleDemoSpec spec;
    spec.width = 800;
    spec.height = 600;
    spec.playerNames = {"Alpha", "Bravo"};
    ASSERT_TRUE(WriteSampleDemo(path.c_str(), spec)) << path;
}

void PressButton(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

void SelectEntry(HWND dialog, const char* entry)
{
    LRESULT index = SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_FINDSTRINGEXACT, (WPARAM)-1,
                                        (LPARAM)entry);
    ASSERT_NE(LB_ERR, index) << entry;
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_SETCURSEL, index, 0);
}

void NotifyBrowser(HWND dialog, WORD code)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_MAIN_BROWSER, code),
                 (LPARAM)GetDlgItem(dialog, IDC_MAIN_BROWSER));
}

void DoubleClickEntry(HWND dialog, const char* entry)
{
    SelectEntry(dialog, entry);
    NotifyBrowser(dialog, LBN_DBLCLK);
}
