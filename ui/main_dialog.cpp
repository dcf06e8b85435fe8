#include "ui/main_dialog.h"

#include <string.h>

#include "app/app_state.h"
#include "app/centre_window.h"
#include "app/colours.h"
#include "app/resource.h"
#include "demo/inspect.h"
#include "playback/settings.h"
#include "shared/text.h"
#include "ui/browser.h"
#include "ui/main_commands.h"

static HBITMAP backgroundBitmap;
static HICON windowIcon;

// Copies the bitmap at its own size to (x, y) through a memory DC of its own.
static void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y)
{
    HDC memory = CreateCompatibleDC(dc);
    if (!memory)
        return;
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BITMAP size;
    if (GetObjectA(bitmap, sizeof size, &size))
        BitBlt(dc, x, y, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

static void PaintMainDialog(HDC dc)
{
    if (backgroundBitmap)
        DrawBitmap(dc, backgroundBitmap, 0, 0);
    if (appState.mapPreview)
        DrawBitmap(dc, appState.mapPreview, 37, 125);
}

static void LoadDemoAtStart(HWND mainDialog)
{
    SetDlgItemTextA(mainDialog, IDC_MAIN_DEMO_PATH, appState.startupDemoPath);
    char folder[PATH_BUFFER_SIZE];
    // Both are PATH_BUFFER_SIZE bytes.
    (void)CopyText(folder, sizeof folder, appState.startupDemoPath);
    CutAtLastBackslash(folder);
    ListDemoFolder(mainDialog, folder);
    ShowDemo(mainDialog);
}

static void InitialiseMainDialog(HWND mainDialog)
{
    backgroundBitmap = (HBITMAP)LoadImageA(appInstance, MAKEINTRESOURCEA(IDB_MAIN_BACKGROUND),
                                           IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    InvalidateRect(mainDialog, NULL, FALSE);
    UpdateWindow(mainDialog);
    CentreWindow(mainDialog);
    windowIcon = (HICON)LoadImageA(appInstance, MAKEINTRESOURCEA(IDI_FLICKBOX), IMAGE_ICON,
                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                   LR_DEFAULTCOLOR);
    if (windowIcon) {
        // The one small image serves as the big icon too.
        SendMessageA(mainDialog, WM_SETICON, ICON_SMALL, (LPARAM)windowIcon);
        SendMessageA(mainDialog, WM_SETICON, ICON_BIG, (LPARAM)windowIcon);
    }
    LoadSettings(mainDialog);
    // Fewer than 3 characters cannot name a demo.
    if (strlen(appState.startupDemoPath) >= 3)
        LoadDemoAtStart(mainDialog);
    else
        ListDemoFolder(mainDialog, appState.programDir);
}

// A demo path handed over by a later instance. The record's size bounds the
// copy: a sender's text need not end in a NUL.
static void TakeHandedOverDemo(HWND mainDialog, const COPYDATASTRUCT* record)
{
    if (!record || !record->lpData || record->cbData == 0)
        return;
    ShowWindow(mainDialog, SW_SHOWNORMAL);
    // A longer text is cut to the buffer, as the path field would cut it.
    (void)CopyTextPrefix(appState.startupDemoPath, sizeof appState.startupDemoPath,
                   (const char*)record->lpData, record->cbData);
    if (strlen(appState.startupDemoPath) < 3)
        return;
    SetDlgItemTextA(mainDialog, IDC_MAIN_DEMO_PATH, appState.startupDemoPath);
    ShowDemo(mainDialog);
}

static void ReleaseMainDialogResources()
{
    ReleaseMapPreview();
    if (backgroundBitmap) {
        DeleteObject(backgroundBitmap);
        backgroundBitmap = NULL;
    }
    ReleaseDialogBrushes();
    if (windowIcon) {
        DestroyIcon(windowIcon);
        windowIcon = NULL;
    }
}

static INT_PTR ColourControl(WPARAM wParam, HBRUSH brush)
{
    HDC dc = (HDC)wParam;
    SetControlTextColours(dc);
    // Lists fill their rows and empty space opaquely in the background
    // colour whatever the mode; without this they stay white under the
    // light text.
    SetBkColor(dc, CONTROL_BACK_COLOUR);
    return (INT_PTR)brush;
}

// The colour messages return their brush as the result; everything else
// returns whether it was handled (no message crackers here for that reason).
INT_PTR CALLBACK MainDialogProc(HWND mainDialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitialiseMainDialog(mainDialog);
        return TRUE;
    case WM_COMMAND:
        return HandleMainCommand(mainDialog, LOWORD(wParam), HIWORD(wParam));
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(mainDialog, &paint);
        PaintMainDialog(dc);
        EndPaint(mainDialog, &paint);
        return TRUE;
    }
    case WM_CLOSE:
        EndDialog(mainDialog, 0);
        return TRUE;
    case WM_DESTROY:
        ReleaseMainDialogResources();
        return FALSE;
    case WM_COPYDATA:
        TakeHandedOverDemo(mainDialog, (const COPYDATASTRUCT*)lParam);
        // A dialog answers a sender through its message result.
        SetWindowLongPtrA(mainDialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return ColourControl(wParam, editBrush);
    case WM_CTLCOLORBTN:
        return ColourControl(wParam, buttonBrush);
    case WM_CTLCOLORSTATIC:
        return ColourControl(wParam, dialogBrush);
    case WM_CTLCOLORDLG:
        return (INT_PTR)dialogBrush;
    }
    return FALSE;
}
