#include "cli/report_files.h"

#include <windows.h>

#include <string>

#include "shared/text.h"

static std::wstring Wide(const char* text)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, NULL, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring result((size_t)size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, &result[0], size);
    result.resize((size_t)size - 1);
    return result;
}

void FileDateText(const char* path, char* dest, size_t size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    FILETIME local;
    SYSTEMTIME when;
    if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data) ||
        !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) || !FileTimeToSystemTime(&local, &when)) {
        (void)CopyText(dest, size, "");
        return;
    }
    if (!FormatText(dest, size, "%04u-%02u-%02u %02u:%02u", when.wYear, when.wMonth, when.wDay, when.wHour,
                    when.wMinute))
        (void)CopyText(dest, size, "");
}

bool IsFolder(const char* path)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool MakeFolder(const char* path, char* problem, size_t problemSize)
{
    if (CreateDirectoryW(Wide(path).c_str(), NULL) || IsFolder(path))
        return true;
    DWORD error = GetLastError();
    const char* reason = error == ERROR_PATH_NOT_FOUND ? "No such file or directory"
                         : error == ERROR_ACCESS_DENIED ? "Permission denied"
                         : error == ERROR_ALREADY_EXISTS ? "Not a directory" : "the system refused";
    (void)FormatText(problem, problemSize, "Cannot make the folder %s: %s", path, reason);
    return false;
}
