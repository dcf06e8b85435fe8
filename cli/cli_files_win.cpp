// The file edge's system calls on Windows.
#include "cli/cli_system.h"

#include <io.h>
#include <string.h>
#include <stdio.h>
#include <windows.h>

#include <atomic>

#include "shared/text.h"

std::wstring WideFromUtf8(const char* text)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, NULL, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring result((size_t)size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, &result[0], size);
    result.resize((size_t)size - 1);
    return result;
}

std::string Utf8FromWide(const wchar_t* text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    if (size <= 0)
        return std::string();
    std::string result((size_t)size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], size, NULL, NULL);
    result.resize((size_t)size - 1);
    return result;
}

static bool Failed(int* error)
{
    *error = (int)GetLastError();
    return false;
}

// Opens the file or folder itself, for its facts only: no access asked, so
// no program holding it open stands in the way.
static HANDLE OpenToDescribe(const char* path)
{
    return CreateFileW(WideFromUtf8(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
}

// The full path the system opened the handle at, links followed, with its
// "\\?\" prefix; false where unknown (Windows XP has neither the call nor
// links to files).
static bool FinalPath(HANDLE handle, std::wstring* path)
{
    typedef DWORD(WINAPI * FinalPathCall)(HANDLE, LPWSTR, DWORD, DWORD);
    static FinalPathCall call =
        (FinalPathCall)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW");
    path->assign(32768, L'\0');
    DWORD length = call ? call(handle, &(*path)[0], (DWORD)path->size(), 0) : 0;
    path->resize(length < path->size() ? length : 0);
    return !path->empty();
}

// The path leads elsewhere than it reads: a reparse point, or under Wine a
// Unix symbolic link, which it shows as a plain file.
static bool LeadsElsewhere(const char* path, DWORD attributes, HANDLE handle)
{
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return true;
    std::wstring final, full(32768, L'\0');
    DWORD length = GetFullPathNameW(WideFromUtf8(path).c_str(), (DWORD)full.size(), &full[0], NULL);
    if (!FinalPath(handle, &final) || length == 0 || length >= full.size())
        return false;
    full.resize(length);
    size_t prefix = 0;
    if (final.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        prefix = 8;  // \\?\UNC\server against \\server
        full.erase(0, 2);
    } else if (final.compare(0, 4, L"\\\\?\\") == 0) {
        prefix = 4;
    }
    return _wcsicmp(final.c_str() + prefix, full.c_str()) != 0;
}

bool DescribePath(const char* path, PathFacts* facts, int* error)
{
    DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());  // of the name, not what it leads to
    HANDLE handle = attributes == INVALID_FILE_ATTRIBUTES ? INVALID_HANDLE_VALUE : OpenToDescribe(path);
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = handle != INVALID_HANDLE_VALUE && GetFileInformationByHandle(handle, &info);
    if (!ok)
        *error = (int)GetLastError();
    facts->isLink =
        ok && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && LeadsElsewhere(path, attributes, handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    if (!ok)
        return false;
    facts->isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts->isRegular = !facts->isFolder;
    facts->readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    facts->size = ((uint64_t)info.nFileSizeHigh << 32) | info.nFileSizeLow;
    facts->links = info.nNumberOfLinks;
    facts->id = FileId{info.dwVolumeSerialNumber, ((uint64_t)info.nFileIndexHigh << 32) | info.nFileIndexLow};
    facts->mode = facts->owner = facts->group = 0;
    return true;
}

bool ResolveLink(const char* path, std::string* target, int* error)
{
    HANDLE handle = OpenToDescribe(path);
    if (handle == INVALID_HANDLE_VALUE)
        return Failed(error);
    std::wstring final;
    bool ok = FinalPath(handle, &final);
    if (!ok)
        *error = (int)GetLastError();
    CloseHandle(handle);
    if (ok)
        *target = Utf8FromWide(final.c_str());
    return ok;
}

bool ListFolderEntries(const char* folder, std::vector<FolderEntry>* entries, int* error)
{
    std::string pattern = folder;
    if (pattern.empty() || !strchr("\\/:", pattern.back()))
        pattern += '\\';
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(WideFromUtf8((pattern + "*").c_str()).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND || Failed(error);  // no entries at all
    do
        entries->push_back(FolderEntry{Utf8FromWide(found.cFileName),
                                       (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    while (FindNextFileW(find, &found));
    FindClose(find);
    return true;
}

bool OpenToRead(const char* path, SystemFile* file, uint64_t* size, int* error)
{
    // Others may read the demo meanwhile, not change it.
    HANDLE handle = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    LARGE_INTEGER length;
    if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &length)) {
        *error = (int)GetLastError();
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        return false;
    }
    *file = (SystemFile)handle;
    *size = (uint64_t)length.QuadPart;
    return true;
}

bool ReadSome(SystemFile file, unsigned char* into, size_t want, size_t* got, int* error)
{
    DWORD count = 0;
    if (!ReadFile((HANDLE)file, into, (DWORD)want, &count, NULL))
        return Failed(error);
    *got = count;
    return true;
}

bool CreateNewFile(const char* path, bool, SystemFile* file, int* error)
{
    HANDLE handle =
        CreateFileW(WideFromUtf8(path).c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return Failed(error);
    *file = (SystemFile)handle;
    return true;
}

bool NameTaken(int error)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

bool WriteSome(SystemFile file, const unsigned char* bytes, size_t size, size_t* wrote, int* error)
{
    DWORD count = 0;
    if (!WriteFile((HANDLE)file, bytes, (DWORD)size, &count, NULL))
        return Failed(error);
    if (count == 0) {
        *error = ERROR_DISK_FULL;
        return false;
    }
    *wrote = count;
    return true;
}

bool KeepOwnerAndMode(SystemFile, const PathFacts&, int*)
{
    return true;  // a new file takes the folder's permissions, as the original did
}

bool FlushFile(SystemFile file, int* error)
{
    return FlushFileBuffers((HANDLE)file) || Failed(error);
}

bool CloseFile(SystemFile file, int* error)
{
    return CloseHandle((HANDLE)file) || Failed(error);
}

bool RenameOver(const char* from, const char* to, int* error)
{
    return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
           Failed(error);
}

bool RenameToNew(const char* from, const char* to, int* error)
{
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name exists.
    return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(), MOVEFILE_WRITE_THROUGH) || Failed(error);
}

void RemoveFile(const char* path)
{
    DeleteFileW(WideFromUtf8(path).c_str());
}

bool PathExists(const char* path)
{
    return GetFileAttributesW(WideFromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The common failures in the words the POSIX build uses, so both builds
// report a file alike; the system's text for the rest.
void SystemErrorText(int error, char* text, size_t size)
{
    const char* known = NULL;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        known = "No such file or directory";
        break;
    case ERROR_ACCESS_DENIED:
        known = "Permission denied";
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        known = "The file is in use by another program";
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        known = "No space left on device";
        break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        known = "File exists";
        break;
    case ERROR_WRITE_PROTECT:
        known = "Read-only file system";
        break;
    }
    if (known) {
        (void)CopyText(text, size, known);
        return;
    }
    wchar_t buffer[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, (DWORD)error, 0,
                                  buffer, sizeof buffer / sizeof buffer[0], NULL);
    while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r' ||
                           buffer[length - 1] == L' ' || buffer[length - 1] == L'.'))
        length--;
    buffer[length < 512 ? length : 511] = L'\0';
    if (length)
        (void)CopyText(text, size, Utf8FromWide(buffer).c_str());
    else
        (void)FormatText(text, size, "Error %lu", (unsigned long)error);
}

unsigned long ProcessNumber()
{
    return GetCurrentProcessId();
}

bool ErrorStreamIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

// Set by the console's handler thread, read by every thread.
static std::atomic<bool> interrupted;

static BOOL WINAPI NoteInterrupt(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    interrupted = true;
    // Returning from a close ends the process there and then: this thread
    // waits instead, while the run cleans up and exits by itself.
    if (event == CTRL_CLOSE_EVENT)
        Sleep(INFINITE);
    return TRUE;
}

void WatchInterrupts()
{
    SetConsoleCtrlHandler(NoteInterrupt, TRUE);
}

bool InterruptRequested()
{
    return interrupted;
}
