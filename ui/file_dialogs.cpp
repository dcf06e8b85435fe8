#include "ui/file_dialogs.h"

#include <commdlg.h>
#include <string.h>

#include "shared/text.h"

static bool BrowseForFile(char* path, HWND owner, const char* filter, const char* title)
{
    // The dialog works on a copy, so a cancel leaves the caller's text alone.
    char chosen[PATH_BUFFER_SIZE];
    // Both are PATH_BUFFER_SIZE bytes, so the copies here always fit.
    (void)CopyText(chosen, sizeof chosen, path);
    OPENFILENAMEA dialog;
    memset(&dialog, 0, sizeof dialog);
    // The record without the later extension fields, which every system reads.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.lpstrFile = chosen;
    dialog.nMaxFile = sizeof chosen;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&dialog))
        return false;
    (void)CopyText(path, PATH_BUFFER_SIZE, chosen);
    return true;
}

bool BrowseForDemo(char* path, HWND owner)
{
    return BrowseForFile(path, owner, "Demo Files (*.dem)\0*.dem\0All Files (*.*)\0*.*\0",
                         "Browse Demos");
}

bool BrowseForGameExecutable(char* path, HWND owner)
{
    return BrowseForFile(path, owner,
                         "Executable Files (*.exe)\0*.exe\0All Files (*.*)\0*.*\0",
                         "Browse Half-Life Executable");
}
