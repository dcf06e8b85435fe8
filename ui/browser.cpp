#include "ui/browser.h"

#include <shlobj.h>

#include "app/app_state.h"
#include "demo/inspect.h"
#include "shared/messages.h"
#include "shared/text.h"
#include "ui/browser_paths.h"
#include "ui/resource.h"

// A folder path the browser cannot hold: nothing is listed or loaded, and the
// user is told why.
static void ReportPathTooLong()
{
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    ReportSystemError("Could not read dir");
}

static void AddBrowserEntry(HWND dialog, const WIN32_FIND_DATAA* found)
{
    if (IsCurrentFolderEntry(found->cFileName))
        return;
    char entry[sizeof found->cFileName + 2];
    if (found->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        FormatFolderEntry(found->cFileName, entry, sizeof entry);
    else if (IsListedDemoName(found->cFileName))
        CopyText(entry, sizeof entry, found->cFileName);
    else
        return;
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_ADDSTRING, 0, (LPARAM)entry);
}

void ListDemoFolder(HWND dialog, const char* folder)
{
    char pattern[PATH_BUFFER_SIZE];
    char shown[PATH_BUFFER_SIZE];
    if (!ComposeFolderSearch(folder, pattern, sizeof pattern, shown, sizeof shown)) {
        ReportPathTooLong();
        return;
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        ReportSystemError("Could not read dir");
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_RESETCONTENT, 0, 0);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            AddBrowserEntry(dialog, &found);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    SendDlgItemMessageA(dialog, IDC_MAIN_FOLDER, WM_SETTEXT, 0, (LPARAM)shown);
}

// Reads a field whole, or fails when its text would not fit the buffer.
static bool ReadWholeField(HWND dialog, int id, char* text, int size)
{
    if (GetWindowTextLengthA(GetDlgItem(dialog, id)) >= size)
        return false;
    GetDlgItemTextA(dialog, id, text, size);
    return true;
}

void OpenBrowserSelection(HWND dialog)
{
    LRESULT index = SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
        return;
    char entry[PATH_BUFFER_SIZE + 2];
    LRESULT entryLength = SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_GETTEXTLEN, index, 0);
    if (entryLength == LB_ERR || entryLength >= (LRESULT)sizeof entry)
        return;
    SendDlgItemMessageA(dialog, IDC_MAIN_BROWSER, LB_GETTEXT, index, (LPARAM)entry);

    char folderText[PATH_BUFFER_SIZE];
    char path[PATH_BUFFER_SIZE];
    if (!ReadWholeField(dialog, IDC_MAIN_FOLDER, folderText, sizeof folderText) ||
        !JoinBrowserPath(folderText, entry, path, sizeof path)) {
        ReportPathTooLong();
        return;
    }
    // A bracketed name such as [maps] names nothing on disk, so its query fails.
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        char folder[PATH_BUFFER_SIZE];
        if (!BrowserFolderTarget(folderText, entry, folder, sizeof folder)) {
            ReportPathTooLong();
            return;
        }
        ListDemoFolder(dialog, folder);
        return;
    }
    SetDlgItemTextA(dialog, IDC_MAIN_DEMO_PATH, path);
    ReleaseMapPreview();
    InspectDemo(dialog);
}

void ListDesktopFolder(HWND dialog)
{
    char desktop[MAX_PATH];
    if (!SHGetSpecialFolderPathA(dialog, desktop, CSIDL_DESKTOPDIRECTORY, FALSE))
        return;
    ListDemoFolder(dialog, desktop);
}
