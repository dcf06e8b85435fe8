#include "tests/support/test_files.h"

#include <stdio.h>
#include <string.h>

static int scratchCount = 0;

static std::string LongPathOf(const std::string& path)
{
    char buffer[MAX_PATH];
    DWORD length = GetLongPathNameA(path.c_str(), buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return path;
    return std::string(buffer);
}

std::string MakeScratchFolder(const std::string& name)
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    std::string base = LongPathOf(temp);
    if (!base.empty() && base[base.size() - 1] == '\\')
        base.erase(base.size() - 1);
    for (int attempt = 0; attempt < 100; attempt++) {
        char unique[64];
        snprintf(unique, sizeof unique, "-%lu-%d", GetCurrentProcessId(), ++scratchCount);
        std::string folder = JoinPath(base, "flickbox-" + name + unique);
        if (CreateDirectoryA(folder.c_str(), NULL))
            return folder;
    }
    return std::string();
}

std::string MakeFreshFolder(const std::string& path)
{
    RemoveTree(path);
    MakeFolders(path);
    return path;
}

bool MakeFolders(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // "C:\x" and "\x" need no parent made.
    size_t cut = path.rfind('\\');
    if (cut != std::string::npos && cut > 2 && !MakeFolders(path.substr(0, cut)))
        return false;
    return CreateDirectoryA(path.c_str(), NULL) != 0;
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string child = JoinPath(path, name);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return folder + "\\" + name;
}

bool ReadWholeFile(const std::string& path, std::string* bytes)
{
    bytes->clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char chunk[65536];
    DWORD got = 0;
    BOOL ok;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &got, NULL)) && got > 0)
        bytes->append(chunk, got);
    CloseHandle(file);
    return ok != FALSE;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::string bytes;
    ReadWholeFile(path, &bytes);
    return std::vector<unsigned char>(bytes.begin(), bytes.end());
}

std::string ReadFileText(const std::string& path)
{
    std::string bytes;
    return ReadWholeFile(path, &bytes) ? bytes : "<missing>";
}

static bool WriteWholeFile(const std::string& path, const void* bytes, size_t size)
{
    size_t slash = path.rfind('\\');
    if (slash != std::string::npos && slash > 2)
        MakeFolders(path.substr(0, slash));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes, (DWORD)size, &written, NULL);
    return CloseHandle(file) && ok && written == size;
}

bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    return WriteWholeFile(path, bytes.data(), bytes.size());
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    return WriteWholeFile(path, bytes.data(), bytes.size());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetReadOnly(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
}

std::string Fingerprint(const std::string& bytes)
{
    unsigned long hash = 2166136261u;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash = (hash * 16777619u) & 0xFFFFFFFFu;
    }
    char text[64];
    snprintf(text, sizeof text, "%lu %08lx", (unsigned long)bytes.size(), hash);
    return text;
}

std::string FileFingerprint(const std::string& path)
{
    std::string bytes;
    return ReadWholeFile(path, &bytes) ? Fingerprint(bytes) : "none";
}

std::string SystemErrorText(DWORD error)
{
    char* text = NULL;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_ALLOCATE_BUFFER,
                   NULL, error, 0, (LPSTR)&text, 0, NULL);
    std::string result = text ? text : "";
    if (text)
        LocalFree(text);
    return result;
}

std::string ErrorBoxText(const std::string& message, DWORD error)
{
    return message + ": " + SystemErrorText(error);
}
