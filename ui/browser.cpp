#include "ui/browser.h"

#include <shlobj.h>

#include "app/dialog_field.h"
#include "app/resource.h"
#include "demo/inspect.h"
#include "shared/messages.h"
#include "shared/text.h"
#include "ui/ui_text.h"

// A folder path the browser cannot hold: nothing is listed or loaded, and the
// user is told why.
static void ReportPathTooLong()
{
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    ReportSystemError("Could not read dir");
}

static void AddBrowserEntry(HWND mainDialog, const WIN32_FIND_DATAA* found)
{
    if (IsCurrentFolderEntry(found->cFileName))
        return;
    char entry[sizeof found->cFileName + 2];
    if (found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        (void)FormatFolderEntry(entry, sizeof entry, found->cFileName);
    else if (IsListedDemoName(found->cFileName))
        // entry has room for the longest name and its brackets.
        (void)CopyText(entry, sizeof entry, found->cFileName);
    else
        return;
    SendDlgItemMessageA(mainDialog, IDC_MAIN_BROWSER, LB_ADDSTRING, 0, (LPARAM)entry);
}

void ListDemoFolder(HWND mainDialog, const char* folder)
{
    char pattern[PATH_BUFFER_SIZE];
    char shown[PATH_BUFFER_SIZE];
    if (!ComposeFolderSearch(pattern, sizeof pattern, shown, sizeof shown, folder)) {
        ReportPathTooLong();
        return;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        ReportSystemError("Could not read dir");
    SendDlgItemMessageA(mainDialog, IDC_MAIN_BROWSER, LB_RESETCONTENT, 0, 0);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            AddBrowserEntry(mainDialog, &found);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    SendDlgItemMessageA(mainDialog, IDC_MAIN_FOLDER, WM_SETTEXT, 0, (LPARAM)shown);
}

void OpenBrowserSelection(HWND mainDialog)
{
    LRESULT index = SendDlgItemMessageA(mainDialog, IDC_MAIN_BROWSER, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return;
    char entry[PATH_BUFFER_SIZE + 2];
    LRESULT entryLength = SendDlgItemMessageA(mainDialog, IDC_MAIN_BROWSER, LB_GETTEXTLEN, index, 0);
    if (entryLength == LB_ERR || entryLength >= (LRESULT)sizeof entry)
        return;
    SendDlgItemMessageA(mainDialog, IDC_MAIN_BROWSER, LB_GETTEXT, index, (LPARAM)entry);

    char folderText[PATH_BUFFER_SIZE];
    char path[PATH_BUFFER_SIZE];
    if (!ReadWholeField(folderText, sizeof folderText, mainDialog, IDC_MAIN_FOLDER) ||
        !JoinBrowserPath(path, sizeof path, folderText, entry)) {
        ReportPathTooLong();
        return;
    }
    // A bracketed name such as [maps] names nothing on disk, so its query fails.
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        char folder[PATH_BUFFER_SIZE];
        if (!BrowserFolderTarget(folder, sizeof folder, folderText, entry)) {
            ReportPathTooLong();
            return;
        }
        ListDemoFolder(mainDialog, folder);
        return;
    }
    SetDlgItemTextA(mainDialog, IDC_MAIN_DEMO_PATH, path);
    ShowDemo(mainDialog);
}

void ListDesktopFolder(HWND mainDialog)
{
    char desktop[MAX_PATH];
    if (!SHGetSpecialFolderPathA(mainDialog, desktop, CSIDL_DESKTOPDIRECTORY, FALSE))
        return;
    ListDemoFolder(mainDialog, desktop);
}
