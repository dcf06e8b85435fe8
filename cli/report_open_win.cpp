#include "cli/report_open.h"

#include <windows.h>

#include <string>

#include "shared/text.h"

bool OpenInBrowser(const char* path, char* problem, size_t problemSize)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, path, -1, NULL, 0);
    std::wstring wide(size > 0 ? (size_t)size : 1, L'\0');
    if (size <= 0 || !MultiByteToWideChar(CP_UTF8, 0, path, -1, &wide[0], size)) {
        (void)CopyText(problem, problemSize, "Cannot open the report: its path is not UTF-8");
        return false;
    }
    // Above 32 means it started; the value is a handle only in name.
    INT_PTR result = (INT_PTR)ShellExecuteW(NULL, L"open", wide.c_str(), NULL, NULL, SW_SHOWNORMAL);
    if (result > 32)
        return true;
    (void)FormatText(problem, problemSize, "Cannot open %s in the browser (ShellExecute gave %d)", path,
                     (int)result);
    return false;
}
