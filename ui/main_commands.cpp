#include "ui/main_commands.h"

#include <string.h>

#include "app/app_state.h"
#include "app/dialog_field.h"
#include "app/resource.h"
#include "demo/convert.h"
#include "demo/inspect.h"
#include "demo/strip.h"
#include "playback/launcher.h"
#include "playback/settings.h"
#include "shared/messages.h"
#include "shared/text.h"
#include "ui/browser.h"
#include "ui/file_dialogs.h"

// A path too long for the buffer is not empty: the inspection reports it.
static bool DemoPathEmpty(HWND mainDialog)
{
    char path[PATH_BUFFER_SIZE];
    return ReadWholeField(path, sizeof path, mainDialog, IDC_MAIN_DEMO_PATH) && path[0] == '\0';
}

// An empty field names no demo: only the preview goes.
static void ReinspectDemo(HWND mainDialog)
{
    if (DemoPathEmpty(mainDialog))
        ReleaseMapPreview();
    else
        ShowDemo(mainDialog);
}

// The open-file dialogs start from the field's text; a cut one would name
// another file, so they start from nothing instead.
static void ReadStartingName(char* path, size_t size, HWND mainDialog, int field)
{
    if (!ReadWholeField(path, size, mainDialog, field))
        path[0] = '\0';
}

static void ChooseDemo(HWND mainDialog)
{
    char path[PATH_BUFFER_SIZE];
    ReadStartingName(path, sizeof path, mainDialog, IDC_MAIN_DEMO_PATH);
    if (BrowseForDemo(path, mainDialog)) {
        SetDlgItemTextA(mainDialog, IDC_MAIN_DEMO_PATH, path);
        char folder[PATH_BUFFER_SIZE];
        // Both are PATH_BUFFER_SIZE bytes.
        (void)CopyText(folder, sizeof folder, path);
        CutAtLastBackslash(folder);
        ListDemoFolder(mainDialog, folder);
    }
    // Chosen or cancelled, the demo in the field is inspected afresh.
    ReinspectDemo(mainDialog);
}

static void ChooseGameExecutable(HWND mainDialog)
{
    char path[PATH_BUFFER_SIZE];
    ReadStartingName(path, sizeof path, mainDialog, IDC_MAIN_EXE_PATH);
    if (BrowseForGameExecutable(path, mainDialog))
        SetDlgItemTextA(mainDialog, IDC_MAIN_EXE_PATH, path);
}

static void SaveMainSettings(HWND mainDialog)
{
    // A failed save has already shown its own message.
    if (SaveSettings(mainDialog))
        ShowNotice("Settings succesfully saved.");
}

static void OpenConverter(HWND mainDialog)
{
    char path[PATH_BUFFER_SIZE];
    // A path too long for the buffer is long enough: the converter reports it.
    if (ReadWholeField(path, sizeof path, mainDialog, IDC_MAIN_DEMO_PATH) && strlen(path) < 2) {
        ShowNotice("No demo loaded.");
        return;
    }
    // No owner, so the main dialog stays usable while the converter is open.
    DialogBoxParamA(appInstance, MAKEINTRESOURCEA(IDD_CONVERT), NULL, ConvertResolutionDialog, 0);
}

BOOL HandleMainCommand(HWND mainDialog, WORD id, WORD code)
{
    switch (id) {
    case IDOK: ReinspectDemo(mainDialog); break;
    case IDCANCEL: EndDialog(mainDialog, IDCANCEL); break;
    case IDC_MAIN_BROWSE_DEMO: ChooseDemo(mainDialog); break;
    case IDC_MAIN_PLAY: PlayDemo(mainDialog); break;
    case IDC_MAIN_SAVE: SaveMainSettings(mainDialog); break;
    case IDC_MAIN_BROWSE_EXE: ChooseGameExecutable(mainDialog); break;
    case IDC_MAIN_BROWSER:
        if (code == LBN_DBLCLK)
            OpenBrowserSelection(mainDialog);
        break;
    case IDC_MAIN_STRIP: StripTeamMessages(mainDialog); break;
    case IDC_MAIN_CONVERT: OpenConverter(mainDialog); break;
    case IDC_MAIN_DESKTOP: ListDesktopFolder(mainDialog); break;
    }
    return TRUE;
}
