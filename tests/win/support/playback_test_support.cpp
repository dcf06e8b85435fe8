#include "tests/win/support/playback_test_support.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/resource.h"
#include "shared/text.h"
#include "tests/support/test_files.h"
#include "tests/win/support/dialog_fields.h"

std::string TestBinDir()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(NULL, path, sizeof path);
    CutAtLastBackslash(path);
    return path;
}

std::string FileTag(const std::string& path)
{
    std::string bytes = ReadFileText(path);
    if (bytes == "<missing>")
        return "none";
    size_t nul = bytes.rfind('\0');
    return nul == std::string::npos ? bytes : bytes.substr(nul + 1);
}

void ResetPlaybackRegistry()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Brakwood\\Flickbox");
    RegDeleteKeyA(HKEY_CURRENT_USER, HALF_LIFE_KEY);
    RegDeleteKeyA(HKEY_CURRENT_USER, COUNTER_STRIKE_KEY);
}

void WriteRegistryValue(const char* key, const char* name, DWORD type, const std::string& bytes)
{
    ASSERT_TRUE(WriteRegistryBytes(HKEY_CURRENT_USER, key, name, type, bytes.data(), (DWORD)bytes.size()));
}

void SetModeValue(const char* key, const char* name, DWORD value)
{
    ASSERT_TRUE(WriteRegistryNumber(HKEY_CURRENT_USER, key, name, value));
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
        bytes = ReadFileText(TestBinDir() + "\\standin_game.exe");
        ASSERT_NE("<missing>", bytes) << "standin_game.exe is not built";
        bytes += '\0';
        bytes += tag;
    }
    ASSERT_TRUE(WriteFileBytes(path, bytes)) << path;
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

GameTree BuildGameAndPack(const std::string& root, bool counterStrike, const std::string& mod)
{
    GameTree tree = BuildGameTree(root + "\\game", counterStrike, mod);
    std::string programDir = root + "\\flickbox";
    BuildPack(programDir, counterStrike, mod);
    EXPECT_TRUE(CopyText(appState.programDir, sizeof appState.programDir, programDir.c_str()));
    return tree;
}

void RemoveGameAndPack(const std::string& root)
{
    RemoveTree(root);
    EXPECT_TRUE(CopyText(appState.programDir, sizeof appState.programDir, TestBinDir().c_str()));
}

void GameSceneTest::OpenGame(const std::string& name, bool counterStrike, const std::string& mod)
{
    CloseGame();
    root = MakeScratchFolder("play-" + name);
    tree = BuildGameAndPack(root, counterStrike, mod);
    dialog = CreateIdleDialog(IDD_MAIN);
    ASSERT_TRUE(dialog != NULL);
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, tree.exePath);
}

void GameSceneTest::CloseGame()
{
    if (root.empty())
        return;
    DestroyWindow(dialog);
    RemoveGameAndPack(root);
    root.clear();
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
    std::string text = ReadFileText(tree.installDir + "\\standin_report.txt");
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
    EXPECT_TRUE(CopyText(appState.modDir, sizeof appState.modDir, modDir));
    EXPECT_TRUE(CopyText(appState.networkVersion, sizeof appState.networkVersion, networkVersion));
    EXPECT_TRUE(CopyText(appState.demoWidth, sizeof appState.demoWidth, width));
    EXPECT_TRUE(CopyText(appState.demoHeight, sizeof appState.demoHeight, height));
    appState.isHltv = hltv;
}

void SetCurrentMode(const char* width, const char* height)
{
    EXPECT_TRUE(CopyText(appState.currentWidth, sizeof appState.currentWidth, width));
    EXPECT_TRUE(CopyText(appState.currentHeight, sizeof appState.currentHeight, height));
}
