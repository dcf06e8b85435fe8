#include "demo/inspect.h"

#include "app/app_state.h"
#include "app/resource.h"
#include "demo/analysis.h"
#include "demo/demo_file.h"
#include "shared/messages.h"

// The bitmap in the file, at its own size, or NULL; reports nothing.
static HBITMAP LoadMapPreview(const char* path)
{
    return (HBITMAP)LoadImageA(NULL, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
}

static void ListPlayers(HWND mainDialog, const DemoInspection* result)
{
    SendDlgItemMessageA(mainDialog, IDC_MAIN_PLAYERS, LB_RESETCONTENT, 0, 0);
    for (const PlayerName& name : result->playerNames) {
        // Start index 0: the search wraps round and so covers the whole list.
        if (SendDlgItemMessageA(mainDialog, IDC_MAIN_PLAYERS, LB_FINDSTRINGEXACT, 0,
                                (LPARAM)name.text) == LB_ERR)
            SendDlgItemMessageA(mainDialog, IDC_MAIN_PLAYERS, LB_ADDSTRING, 0, (LPARAM)name.text);
    }
}

static void ShowInspection(HWND mainDialog, const DemoFile* file)
{
    DemoInspection result;
    AnalyseDemo(file->bytes, file->size, appState.currentWidth, appState.currentHeight,
                appState.programDir, &result);

    // AppState's texts have the record's sizes, so these copies always fit.
    (void)CopyText(appState.demoWidth, sizeof appState.demoWidth, result.demoWidth);
    (void)CopyText(appState.demoHeight, sizeof appState.demoHeight, result.demoHeight);
    appState.isHltv = result.isHltv;
    ListPlayers(mainDialog, &result);
    (void)CopyText(appState.networkVersion, sizeof appState.networkVersion, result.networkVersion);
    SendDlgItemMessageA(mainDialog, IDC_MAIN_SUMMARY, WM_SETTEXT, 0, (LPARAM)result.summary);
    // A cut game directory would name another folder; none is safer than that.
    if (!CopyText(appState.modDir, sizeof appState.modDir, result.header.gameDir))
        appState.modDir[0] = '\0';
    appState.mapPreview = result.previewPathFits ? LoadMapPreview(result.previewPath) : NULL;
    RedrawWindow(mainDialog, NULL, NULL, RDW_INVALIDATE | RDW_ERASE);
}

void InspectDemo(HWND mainDialog)
{
    DemoFile file;
    TakeDemoPath(mainDialog, &file);
    // The caller released the old preview; the handle is only forgotten here.
    appState.isHltv = false;
    appState.mapPreview = NULL;

    switch (ReadDemoFile(&file, DEMO_FILE_READ_ONLY)) {
    case DEMO_FILE_READ:
        ShowInspection(mainDialog, &file);
        break;
    case DEMO_FILE_NOT_OPENED:
        ReportSystemError("Could not open demo-file");
        break;
    case DEMO_FILE_NO_SIZE:
        ReportSystemError("Could not open demofile (reason 2)");
        break;
    case DEMO_FILE_NOT_READ:
        ReportSystemError("Could not read file to memory");
        break;
    }
    CloseDemoFile(&file);
}

void ShowDemo(HWND mainDialog)
{
    ReleaseMapPreview();
    InspectDemo(mainDialog);
}
