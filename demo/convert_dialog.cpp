#include "demo/convert.h"

#include "app/app_state.h"
#include "app/centre_window.h"
#include "app/colours.h"
#include "app/main_window.h"
#include "app/resource.h"
#include "demo/inspect.h"

// The background is kept with the dialog itself: the main window stays usable
// while this dialog is open, so a second one may be opened beside it.
static HBITMAP Background(HWND dialog)
{
    return (HBITMAP)GetWindowLongPtrA(dialog, DWLP_USER);
}

static void InitialiseDialog(HWND dialog)
{
    HBITMAP background = LoadBitmapA(appInstance, MAKEINTRESOURCEA(IDB_CONVERT_BACKGROUND));
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)background);
    InvalidateRect(dialog, NULL, FALSE);
    UpdateWindow(dialog);
    CentreWindow(dialog);
    // Shared, so the system keeps it and nothing is left to release.
    HANDLE icon = LoadImageA(appInstance, MAKEINTRESOURCEA(IDI_FLICKBOX), IMAGE_ICON,
                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                             LR_SHARED);
    if (icon) {
        SendMessageA(dialog, WM_SETICON, ICON_SMALL, (LPARAM)icon);
        SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)icon);
    }
    SetDlgItemTextA(dialog, IDC_CONVERT_OLD_WIDTH, appState.demoWidth);
    SetDlgItemTextA(dialog, IDC_CONVERT_OLD_HEIGHT, appState.demoHeight);
}

static void PaintBackground(HWND dialog)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(dialog, &paint);
    HBITMAP background = Background(dialog);
    if (dc && background) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(source, background);
        BITMAP size;
        GetObjectA(background, sizeof size, &size);
        BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
    }
    EndPaint(dialog, &paint);
}

// Runs whatever the conversion did: the dialog closes and the demo is read
// again, so the main window shows what the file now holds.
static void RunConversion(HWND dialog)
{
    unsigned int oldWidth = GetDlgItemInt(dialog, IDC_CONVERT_OLD_WIDTH, NULL, FALSE);
    unsigned int oldHeight = GetDlgItemInt(dialog, IDC_CONVERT_OLD_HEIGHT, NULL, FALSE);
    unsigned int newWidth = GetDlgItemInt(dialog, IDC_CONVERT_NEW_WIDTH, NULL, FALSE);
    unsigned int newHeight = GetDlgItemInt(dialog, IDC_CONVERT_NEW_HEIGHT, NULL, FALSE);
    HWND mainDialog = FindMainWindow();
    ConvertDemoResolution(mainDialog, oldWidth, oldHeight, newWidth, newHeight);
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    ShowDemo(mainDialog);
}

INT_PTR CALLBACK ConvertResolutionDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        InitialiseDialog(dialog);
        return TRUE;
    case WM_PAINT:
        PaintBackground(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: RunConversion(dialog); break;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
        }
        return TRUE;
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_DESTROY:
        DeleteObject(Background(dialog));
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        return FALSE;
    case WM_CTLCOLOREDIT:
        SetControlTextColours((HDC)wParam);
        return (INT_PTR)editBrush;
    case WM_CTLCOLORSTATIC:
        SetControlTextColours((HDC)wParam);
        return (INT_PTR)dialogBrush;
    case WM_CTLCOLORDLG:
        return (INT_PTR)dialogBrush;
    }
    return FALSE;
}
