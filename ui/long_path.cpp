#include "ui/long_path.h"

#include "shared/text.h"
#include "ui/long_path_walk.h"

typedef DWORD(WINAPI* GetLongPathNameFunction)(LPCSTR, LPSTR, DWORD);

static bool FindStoredName(const char* path, char* longName, size_t size, void*)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool fits = CopyText(longName, size, found.cFileName);
    FindClose(search);
    return fits;
}

static DWORD WalkToLongPath(const char* shortPath, char* dest, DWORD capacity)
{
    // The walk leaves dest empty when the long form does not fit.
    (void)WalkLongPath(dest, capacity, shortPath, FindStoredName, NULL);
    return 0;
}

DWORD ConvertToLongPath(const char* shortPath, char* dest, DWORD capacity)
{
    if (!shortPath || !dest || capacity == 0)
        return 0;
    HMODULE kernel = LoadLibraryA("kernel32.dll");
    GetLongPathNameFunction getLongPathName =
        kernel ? (GetLongPathNameFunction)(void*)GetProcAddress(kernel, "GetLongPathNameA") : NULL;
    if (!getLongPathName) {
        if (kernel)
            FreeLibrary(kernel);
        return WalkToLongPath(shortPath, dest, capacity);
    }
    DWORD count = getLongPathName(shortPath, dest, capacity);
    FreeLibrary(kernel);
    // A failure, or a long form that needs more room than given, leaves
    // nothing usable in dest.
    if (count == 0 || count >= capacity)
        dest[0] = '\0';
    return count;
}
