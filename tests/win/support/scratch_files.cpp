#include "tests/win/support/scratch_files.h"

#include <windows.h>

#include <gtest/gtest.h>

static void MakeFolders(const std::string& path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), NULL);
    CreateDirectoryA(path.c_str(), NULL);
}

std::string MakeFreshFolder(const std::string& path)
{
    RemoveTree(path);
    MakeFolders(path);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(path.c_str())) << path;
    return path;
}

std::string MakeScratchFolder(const std::string& name)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    return MakeFreshFolder(std::string(temp) + "flickbox-" + name);
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
            std::string child = path + "\\" + name;
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

static bool WriteWholeFile(const std::string& path, const void* bytes, size_t size)
{
    // "C:\x" and "\x" need no folder made.
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

static bool ReadWholeFile(const std::string& path, std::string* bytes)
{
    // Shared for writing too: a file a test holds open for writing is still read.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, NULL) && got > 0)
        bytes->append(chunk, got);
    CloseHandle(file);
    return true;
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

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetReadOnly(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
}
