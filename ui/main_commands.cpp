#include "ui/main_commands.h"

#include <string.h>

#include "app/app_state.h"
#include "demo/convert.h"
#include "demo/inspect.h"
#include "demo/strip.h"
#include "playback/launcher.h"
#include "playback/settings.h"
#include "shared/messages.h"
#include "shared/text.h"
#include "ui/browser.h"
#include "ui/file_dialogs.h"
#include "ui/resource.h"

static void ReinspectDemo(HWND dialog)
{
    ReleaseMapPreview();
    char path[PATH_BUFFER_SIZE];
    GetDlgItemTextA(dialog, IDC_MAIN_DEMO_PATH, path, sizeof path);
    if (path[0] != '\0')
        InspectDemo(dialog);
}

static void ChooseDemo(HWND dialog)
{
    char path[PATH_BUFFER_SIZE];
    GetDlgItemTextA(dialog, IDC_MAIN_DEMO_PATH, path, sizeof path);
    if (BrowseForDemo(path, dialog)) {
        SetDlgItemTextA(dialog, IDC_MAIN_DEMO_PATH, path);
        char folder[PATH_BUFFER_SIZE];
        CopyText(folder, sizeof folder, path);
        CutAtLastBackslash(folder);
        ListDemoFolder(dialog, folder);
    }
    // Chosen or cancelled, the demo in the field is inspected afresh.
    ReinspectDemo(dialog);
}

static void ChooseGameExecutable(HWND dialog)
{
    char path[PATH_BUFFER_SIZE];
    GetDlgItemTextA(dialog, IDC_MAIN_EXE_PATH, path, sizeof path);
    if (BrowseForGameExecutable(path, dialog))
        SetDlgItemTextA(dialog, IDC_MAIN_EXE_PATH, path);
}

static void SaveMainSettings(HWND dialog)
{
    // A failed save has already shown its own message.
    if (SaveSettings(dialog))
        ShowNotice("Settings succesfully saved.");
}

static void OpenConverter(HWND dialog)
{
    char path[PATH_BUFFER_SIZE];
    GetDlgItemTextA(dialog, IDC_MAIN_DEMO_PATH, path, sizeof path);
    if (strlen(path) < 2) {
        ShowNotice("No demo loaded.");
        return;
    }
    // No owner, so the main dialog stays usable while the converter is open.
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_CONVERT), NULL, ConvertResolutionDialog, 0);
}

BOOL HandleMainCommand(HWND dialog, WORD id, WORD code)
{
    switch (id) {
    case IDOK: ReinspectDemo(dialog); break;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
    case IDC_MAIN_BROWSE_DEMO: ChooseDemo(dialog); break;
    case IDC_MAIN_PLAY: PlayDemo(dialog); break;
    case IDC_MAIN_SAVE: SaveMainSettings(dialog); break;
    case IDC_MAIN_BROWSE_EXE: ChooseGameExecutable(dialog); break;
    case IDC_MAIN_BROWSER:
        if (code == LBN_DBLCLK)
            OpenBrowserSelection(dialog);
        break;
    case IDC_MAIN_STRIP: StripTeamMessages(dialog); break;
    case IDC_MAIN_CONVERT: OpenConverter(dialog); break;
    case IDC_MAIN_DESKTOP: ListDesktopFolder(dialog); break;
    }
    return TRUE;
}
