#include "tests/win/support/playback_test_support.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "shared/text.h"
#include "ui/resource.h"

const char settingsKey[] = "Software\\Brakwood\\Flickbox\\Settings";
const char halfLifeKey[] = "Software\\Valve\\Half-Life\\Settings";
const char counterStrikeKey[] = "Software\\Valve\\CounterStrike\\Settings";

std::string TestBinDir()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    CutAtLastBackslash(path);
    return path;
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

static void MakeFolders(const std::string& path)
{
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), NULL);
    CreateDirectoryA(path.c_str(), NULL);
}

std::string MakeScratchFolder(const std::string& name)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    std::string path = std::string(temp) + "fbplay_" + name;
    RemoveTree(path);
    MakeFolders(path);
    return path;
}

bool WriteBytes(const std::string& path, const std::string& bytes)
{
    MakeFolders(path.substr(0, path.rfind('\\')));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadBytes(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, NULL) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetReadOnly(const std::string& path)
{
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
}

std::string FileTag(const std::string& path)
{
    std::string bytes = ReadBytes(path);
    if (bytes == "<missing>")
        return "none";
    size_t nul = bytes.rfind('\0');
    return nul == std::string::npos ? bytes : bytes.substr(nul + 1);
}

std::string DemoFingerprint(const std::string& path)
{
    std::string bytes = ReadBytes(path);
    unsigned long hash = 2166136261u;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 16777619u;
    }
    char text[64];
    snprintf(text, sizeof text, "%lu %08lx", (unsigned long)bytes.size(), hash & 0xFFFFFFFFu);
    return text;
}

static INT_PTR CALLBACK QuietProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

HWND CreateMainFields()
{
    return CreateDialogParamA(appInstance, MAKEINTRESOURCEA(IDD_MAIN), NULL, QuietProc, 0);
}

void SetField(HWND dialog, int id, const std::string& text)
{
    SetDlgItemTextA(dialog, id, text.c_str());
}

std::string GetField(HWND dialog, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void ResetPlaybackRegistry()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, settingsKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Brakwood\\Flickbox");
    RegDeleteKeyA(HKEY_CURRENT_USER, halfLifeKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, counterStrikeKey);
}

void SetModeValue(const char* key, const char* name, DWORD value)
{
    HKEY handle;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, NULL, 0, KEY_ALL_ACCESS,
                                             NULL, &handle, NULL));
    RegSetValueExA(handle, name, 0, REG_DWORD, (const BYTE*)&value, sizeof value);
    RegCloseKey(handle);
}

std::string ReadModeValue(const char* key, const char* name)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS)
        return "none";
    DWORD value = 0, size = sizeof value;
    LONG status = RegQueryValueExA(handle, name, NULL, NULL, (BYTE*)&value, &size);
    RegCloseKey(handle);
    return status == ERROR_SUCCESS ? std::to_string((long)value) : "none";
}

static std::vector<std::string> EngineFiles(bool counterStrike)
{
    if (counterStrike)
        return {"cstrike.dat", "cstrike.exe", "hw.dll", "sw.dll", "valve\\cl_dlls\\client.dll"};
    return {"hl.dat", "hl.exe", "hw.dll", "sw.dll", "valve\\cl_dlls\\client.dll",
            "valve\\dlls\\hl.dll"};
}

static void WriteTagged(const std::string& path, const std::string& tag, bool executable)
{
    std::string bytes = tag;
    if (executable) {
        bytes = ReadBytes(TestBinDir() + "\\standin_game.exe");
        ASSERT_NE("<missing>", bytes) << "standin_game.exe is not built";
        bytes += '\0';
        bytes += tag;
    }
    ASSERT_TRUE(WriteBytes(path, bytes)) << path;
}

static bool IsExecutable(const std::string& file)
{
    return file.size() > 4 && file.compare(file.size() - 4, 4, ".exe") == 0;
}

GameTree BuildGameTree(const std::string& installDir, bool counterStrike, const std::string& mod)
{
    GameTree tree;
    tree.installDir = installDir;
    tree.exePath = installDir + (counterStrike ? "\\cstrike.exe" : "\\hl.exe");
    tree.engineFiles = EngineFiles(counterStrike);
    tree.modFiles = {mod + "\\cl_dlls\\client.dll", mod + "\\dlls\\mp.dll"};
    for (const std::string& file : tree.engineFiles)
        WriteTagged(installDir + "\\" + file, "game " + file, IsExecutable(file));
    for (const std::string& file : tree.modFiles)
        WriteTagged(installDir + "\\" + file, "game " + file, false);
    return tree;
}

void BuildPack(const std::string& programDir, bool counterStrike, const std::string& mod)
{
    std::string engineFolder = programDir + (counterStrike ? "\\p43r\\" : "\\p43\\");
    for (const std::string& file : EngineFiles(counterStrike))
        WriteTagged(engineFolder + file, "pack " + file, IsExecutable(file));
    std::string modFolder = programDir + "\\" + mod + (counterStrike ? "r\\" : "\\");
    for (const char* file : {"cl_dlls\\client.dll", "dlls\\mp.dll"})
        WriteTagged(modFolder + file, "pack " + mod + "\\" + file, false);
}

void ExpectTreeFiles(const GameTree& tree, const std::string& origin, const std::string& suffix)
{
    for (const std::string& file : tree.engineFiles)
        EXPECT_EQ(origin + " " + file, FileTag(tree.installDir + "\\" + file + suffix)) << file + suffix;
    for (const std::string& file : tree.modFiles)
        EXPECT_EQ(origin + " " + file, FileTag(tree.installDir + "\\" + file + suffix)) << file + suffix;
}

std::map<std::string, std::string> ReadReport(const GameTree& tree)
{
    std::map<std::string, std::string> report;
    std::string text = ReadBytes(tree.installDir + "\\standin_report.txt");
    if (text == "<missing>")
        return report;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            report[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 1;
    }
    return report;
}

void SetDemoState(const char* modDir, const char* networkVersion, const char* width,
                  const char* height, bool hltv)
{
    CopyText(appState.modDir, sizeof appState.modDir, modDir);
    CopyText(appState.networkVersion, sizeof appState.networkVersion, networkVersion);
    CopyText(appState.demoWidth, sizeof appState.demoWidth, width);
    CopyText(appState.demoHeight, sizeof appState.demoHeight, height);
    appState.isHltv = hltv;
}

void SetCurrentMode(const char* width, const char* height)
{
    CopyText(appState.currentWidth, sizeof appState.currentWidth, width);
    CopyText(appState.currentHeight, sizeof appState.currentHeight, height);
}
