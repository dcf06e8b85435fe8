#pragma once
// Scratch game trees, compatibility packs, the stand-in game's report and the
// registry keys the playback tests work on.

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

// The folder of flickbox_win_tests.exe, where standin_game.exe lies as well.
std::string TestBinDir();

// The text after the file's last NUL, as the stand-in reports it.
std::string FileTag(const std::string& path);

// Deletes the settings key and both games' keys.
void ResetPlaybackRegistry();
// Writes the value as given, its type and bytes, making the key.
void WriteRegistryValue(const char* key, const char* name, DWORD type, const std::string& bytes);
void SetModeValue(const char* key, const char* name, DWORD value);

// A game tree: engine files tagged "<origin> <file>", the executable a copy
// of the stand-in tagged the same way, and the mod's two files.
struct GameTree {
    std::string installDir;
    std::string exePath;
    std::vector<std::string> engineFiles;   // relative, no leading backslash
    std::vector<std::string> modFiles;      // relative to installDir, mod included
};
GameTree BuildGameTree(const std::string& installDir, bool counterStrike, const std::string& mod);

// A compatibility pack under programDir for the given set and mod (p43 and
// mod, or p43r and mod + "r"), its files tagged "pack <file as played>".
void BuildPack(const std::string& programDir, bool counterStrike, const std::string& mod);

// The game tree at root\game, and its pack in a stand-in program folder
// root\flickbox, made appState.programDir.
GameTree BuildGameAndPack(const std::string& root, bool counterStrike, const std::string& mod);
// Removes root and points appState.programDir back at the tests' own folder.
void RemoveGameAndPack(const std::string& root);

// A test's game scene: a game tree with its pack (see BuildGameAndPack) and
// an idle main dialog naming the tree's executable. OpenGame ends the scene
// before; the last one goes with the test.
struct GameSceneTest : testing::Test {
    std::string root;
    GameTree tree;
    HWND dialog = NULL;
    void OpenGame(const std::string& name, bool counterStrike, const std::string& mod);
    void CloseGame();
    ~GameSceneTest() override { CloseGame(); }
};

// The live files of the tree should carry the origin's tags.
void ExpectTreeFiles(const GameTree& tree, const std::string& origin, const std::string& suffix = "");

// The stand-in's standin_report.txt beside the executable as key=value lines;
// empty when there is none.
std::map<std::string, std::string> ReadReport(const GameTree& tree);

// Sets the fields of AppState that PlayDemo and SwapEngineFiles read.
void SetDemoState(const char* modDir, const char* networkVersion, const char* width,
                  const char* height, bool hltv);
void SetCurrentMode(const char* width, const char* height);
