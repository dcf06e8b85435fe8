#include "cli/cli_files.h"

#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "cli/cli_paths.h"
#include "shared/text.h"

// Messages, names and texts here are kept as far as their buffers reach: a
// cut one still reads, so the bounded copies marked (void) do not fail on it.

static const uint64_t LARGEST_SIZE = 0xFFFFFFFFull;  // 4 GiB less one byte

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

// The common failures in the words the POSIX build uses, so both builds
// report a file alike; the system's text for the rest.
static void SetProblem(char* problem, size_t size, const char* what, DWORD error)
{
    const char* text = NULL;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        text = "No such file or directory";
        break;
    case ERROR_ACCESS_DENIED:
        text = "Permission denied";
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        text = "The file is in use by another program";
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        text = "No space left on device";
        break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        text = "File exists";
        break;
    case ERROR_WRITE_PROTECT:
        text = "Read-only file system";
        break;
    }
    std::string system;
    if (!text) {
        wchar_t buffer[512];
        DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, error, 0,
                                      buffer, sizeof buffer / sizeof buffer[0], NULL);
        while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r' ||
                               buffer[length - 1] == L' ' || buffer[length - 1] == L'.'))
            length--;
        buffer[length < 512 ? length : 511] = L'\0';
        system = length ? Utf8FromWide(buffer) : "Error " + std::to_string((unsigned long)error);
        text = system.c_str();
    }
    if (what)
        (void)FormatText(problem, size, "%s: %s", what, text);
    else
        (void)CopyText(problem, size, text);
}

static std::string JoinPath(const std::string& folder, const char* name)
{
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/' || folder.back() == ':'))
        return folder + name;
    return folder + "\\" + name;
}

typedef std::tuple<DWORD, DWORD, DWORD> FolderId;  // volume, index high, index low

static bool ReadFolderId(const std::string& folder, FolderId* id)
{
    HANDLE handle = CreateFileW(Wide(folder.c_str()).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    bool ok = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (ok)
        *id = FolderId(info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow);
    return ok;
}

static void ListFolder(const std::string& folder, bool recursive, std::set<FolderId>* seen,
                       std::vector<BatchPath>* out)
{
    FolderId id;
    if (ReadFolderId(folder, &id) && !seen->insert(id).second)
        return;  // a folder reached again through a link
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Wide(JoinPath(folder, "*").c_str()).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            char problem[FILE_PROBLEM_SIZE];
            SetProblem(problem, sizeof problem, NULL, error);
            out->push_back(BatchPath{folder, problem});
        }
        return;
    }
    std::vector<std::pair<std::string, bool>> entries;
    do {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
            entries.push_back(std::make_pair(Utf8FromWide(found.cFileName),
                                             (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0));
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(entries.begin(), entries.end());
    for (const auto& entry : entries) {
        std::string path = JoinPath(folder, entry.first.c_str());
        if (entry.second && recursive)
            ListFolder(path, recursive, seen, out);
        else if (entry.second && HasDemoEnding(entry.first.c_str()))
            out->push_back(BatchPath{path, "Is a directory"});
        else if (HasDemoEnding(entry.first.c_str()))
            out->push_back(BatchPath{path, ""});
    }
}

void ExpandPaths(const std::vector<std::string>& given, bool recursive, std::vector<BatchPath>* out)
{
    out->clear();
    for (const std::string& path : given) {
        DWORD attributes = GetFileAttributesW(Wide(path.c_str()).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            char problem[FILE_PROBLEM_SIZE];
            SetProblem(problem, sizeof problem, NULL, GetLastError());
            out->push_back(BatchPath{path, problem});
        } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            std::set<FolderId> seen;
            ListFolder(path, recursive, &seen, out);
        } else {
            out->push_back(BatchPath{path, ""});
        }
    }
}

// A 32-bit process may lack the room for a large file; asking first keeps
// the vector from aborting the program.
static bool HaveRoomFor(const std::vector<unsigned char>& bytes, size_t size)
{
    if (size <= bytes.capacity())
        return true;
    void* probe = malloc(size);
    free(probe);
    return probe != NULL;
}

bool ReadWholeFile(const char* path, std::vector<unsigned char>* bytes, char* problem, size_t problemSize)
{
    std::wstring wide = Wide(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        (void)CopyText(problem, problemSize, "Is a directory");
        return false;
    }
    // Others may read the demo meanwhile, not change it.
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        SetProblem(problem, problemSize, NULL, GetLastError());
        return false;
    }
    bool ok = false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) {
        SetProblem(problem, problemSize, NULL, GetLastError());
    } else if (size.QuadPart == 0) {
        (void)CopyText(problem, problemSize, "Empty file");
    } else if ((uint64_t)size.QuadPart > LARGEST_SIZE) {
        (void)CopyText(problem, problemSize, "File of 4 GiB or more");
    } else if (!HaveRoomFor(*bytes, (size_t)size.QuadPart)) {
        (void)CopyText(problem, problemSize, "Not enough memory to read the file");
    } else {
        size_t total = (size_t)size.QuadPart;
        bytes->resize(total);
        size_t done = 0;
        while (done < total) {
            DWORD want = total - done < (1u << 24) ? (DWORD)(total - done) : (1u << 24);
            DWORD got = 0;
            if (!ReadFile(file, bytes->data() + done, want, &got, NULL) || got == 0)
                break;
            done += got;
        }
        ok = done == total;
        if (!ok)
            (void)CopyText(problem, problemSize, "The file could not be read whole");
    }
    CloseHandle(file);
    return ok;
}

bool CheckWritable(const char* path, char* problem, size_t problemSize)
{
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        SetProblem(problem, problemSize, NULL, GetLastError());
        return false;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        (void)CopyText(problem, problemSize, "Read-only file");
        return false;
    }
    return true;
}

bool PathExists(const char* path)
{
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

static std::string FolderOf(const char* path)
{
    const char* cut = NULL;
    for (const char* at = path; *at; at++) {
        if (*at == '\\' || *at == '/' || *at == ':')
            cut = at;
    }
    if (!cut)
        return std::string();
    return std::string(path, (size_t)(cut - path + 1));
}

static const char* NameOf(const char* path)
{
    const char* name = path;
    for (const char* at = path; *at; at++) {
        if (*at == '\\' || *at == '/' || *at == ':')
            name = at + 1;
    }
    return name;
}

// Writes the bytes to a new temporary file beside path, flushed to disk and
// closed; its name is in temp. On failure nothing is left behind.
static bool WriteTemporary(const char* path, const unsigned char* bytes, size_t size, std::wstring* temp,
                           char* problem, size_t problemSize)
{
    static volatile LONG counter;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; attempt++) {
        char suffix[48];
        // Two numbers of at most 11 characters each: always fits.
        (void)FormatText(suffix, sizeof suffix, ".flickbox-%lu-%ld.tmp", (unsigned long)GetCurrentProcessId(),
                   (long)InterlockedIncrement(&counter));
        *temp = Wide((FolderOf(path) + "." + NameOf(path) + suffix).c_str());
        file = CreateFileW(temp->c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        SetProblem(problem, problemSize, "Cannot create a temporary file beside it", GetLastError());
        return false;
    }
    const char* failedStep = NULL;
    DWORD error = 0;
    size_t done = 0;
    while (!failedStep && done < size) {
        DWORD want = size - done < (1u << 24) ? (DWORD)(size - done) : (1u << 24);
        DWORD wrote = 0;
        if (!WriteFile(file, bytes + done, want, &wrote, NULL) || wrote == 0) {
            error = GetLastError();
            failedStep = "Cannot write the temporary file";
        }
        done += wrote;
    }
    if (!failedStep && !FlushFileBuffers(file)) {
        error = GetLastError();
        failedStep = "Cannot flush the temporary file to disk";
    }
    if (!CloseHandle(file) && !failedStep) {
        error = GetLastError();
        failedStep = "Cannot close the temporary file";
    }
    if (failedStep) {
        DeleteFileW(temp->c_str());
        SetProblem(problem, problemSize, failedStep, error);
        return false;
    }
    return true;
}

bool ReplaceFileSafely(const char* path, const unsigned char* bytes, size_t size, char* problem,
                       size_t problemSize)
{
    std::wstring temp;
    if (!WriteTemporary(path, bytes, size, &temp, problem, problemSize))
        return false;
    if (!MoveFileExW(temp.c_str(), Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        SetProblem(problem, problemSize, "Cannot put the new file in place", GetLastError());
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

bool CreateFileSafely(const char* path, const unsigned char* bytes, size_t size, bool* existed,
                      char* problem, size_t problemSize)
{
    *existed = PathExists(path);
    if (*existed) {
        SetProblem(problem, problemSize, path, ERROR_FILE_EXISTS);
        return false;
    }
    std::wstring temp;
    if (!WriteTemporary(path, bytes, size, &temp, problem, problemSize))
        return false;
    // Without MOVEFILE_REPLACE_EXISTING the move fails when the name exists.
    if (!MoveFileExW(temp.c_str(), Wide(path).c_str(), MOVEFILE_WRITE_THROUGH)) {
        DWORD error = GetLastError();
        DeleteFileW(temp.c_str());
        *existed = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
        SetProblem(problem, problemSize, *existed ? path : "Cannot put the new file in place", error);
        return false;
    }
    return true;
}

void RemoveFile(const char* path)
{
    DeleteFileW(Wide(path).c_str());
}

bool ErrorStreamIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}
