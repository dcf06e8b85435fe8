#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/app_state.h"
#include "app/resource.h"
#include "playback/engine_swap.h"
#include "tests/support/test_files.h"
#include "tests/win/support/dialog_fields.h"
#include "tests/win/support/expected_boxes.h"
#include "tests/win/support/playback_test_support.h"
#include "tests/win/support/recorded_messages.h"

// Each test swaps in game scenes of its own, the demo of protocol 43.
struct PlaybackSwap : GameSceneTest {
    void Open(const std::string& name, bool counterStrike, const std::string& mod = "cstrike")
    {
        OpenGame(name, counterStrike, mod);
        SetDemoState(mod.c_str(), "43", "*", "*", false);
        TakeRecordedBoxes();
    }
};

static void ExpectOneError(const std::string& message, DWORD error)
{
    ExpectErrorBoxes({ErrorBoxText(message, error)});
}

TEST_F(PlaybackSwap, HalfLifeInstallAndRevert)
{
    Open("hl_swap", false);

    SwapEngineFiles(dialog, true);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(tree, "pack");
    ExpectTreeFiles(tree, "game", ".org");
    ExpectTreeFiles(tree, "game", ".bak");

    SwapEngineFiles(dialog, false);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(tree, "game");

    // A changed game file gets a fresh backup; its pristine copy stays.
    std::string hw = tree.installDir + "\\hw.dll";
    WriteFileBytes(hw, "game hw.dll v2");
    SetReadOnly(hw + ".org");
    SwapEngineFiles(dialog, true);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    EXPECT_EQ("game hw.dll", FileTag(hw + ".org"));
    EXPECT_FALSE(GetFileAttributesA((hw + ".org").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ("game hw.dll v2", FileTag(hw + ".bak"));
    EXPECT_EQ("pack hw.dll", FileTag(hw));
    SwapEngineFiles(dialog, false);
    EXPECT_EQ("game hw.dll v2", FileTag(hw));
}

TEST_F(PlaybackSwap, CounterStrikeSetFromACapitalPath)
{
    Open("cs_swap", true);
    std::string upper = tree.installDir + "\\CSTRIKE.EXE";
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, upper);

    SwapEngineFiles(dialog, true);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(tree, "pack");
    ExpectTreeFiles(tree, "game", ".bak");
    // The Half-Life set was not touched.
    EXPECT_FALSE(FileExists(tree.installDir + "\\hl.dat.bak"));
    EXPECT_FALSE(FileExists(tree.installDir + "\\valve\\dlls\\hl.dll.org"));

    SwapEngineFiles(dialog, false);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(tree, "game");
}

TEST_F(PlaybackSwap, MissingPackFileStopsAfterTheBackups)
{
    Open("pack_missing", false);
    DeleteFileA((appState.programDir + std::string("\\p43\\hw.dll")).c_str());

    SwapEngineFiles(dialog, true);

    ExpectOneError("Could not copy hw.dll", ERROR_FILE_NOT_FOUND);
    ExpectTreeFiles(tree, "game", ".bak");
    const std::string dir = tree.installDir + "\\";
    EXPECT_EQ("pack hl.dat", FileTag(dir + "hl.dat"));
    EXPECT_EQ("pack hl.exe", FileTag(dir + "hl.exe"));
    EXPECT_EQ("game hw.dll", FileTag(dir + "hw.dll"));
    EXPECT_EQ("game sw.dll", FileTag(dir + "sw.dll"));
    EXPECT_EQ("game cstrike\\dlls\\mp.dll", FileTag(dir + "cstrike\\dlls\\mp.dll"));

    // A missing mod pack file is reported with the entry as stored.
    DeleteFileA((appState.programDir + std::string("\\cstrike\\dlls\\mp.dll")).c_str());
    BuildPack(appState.programDir, false, "other");
    WriteFileBytes(appState.programDir + std::string("\\p43\\hw.dll"), "pack hw.dll");
    SwapEngineFiles(dialog, true);
    ExpectOneError("Could not copy \\dlls\\mp.dll", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ("pack cstrike\\cl_dlls\\client.dll", FileTag(dir + "cstrike\\cl_dlls\\client.dll"));
}

TEST_F(PlaybackSwap, RevertWithoutBackupsMakesPristineCopiesThenStops)
{
    for (bool counterStrike : {false, true}) {
        Open("no_backups", counterStrike);

        SwapEngineFiles(dialog, false);

        ExpectOneError(counterStrike ? "Could not revert cstrike.dat" : "Could not revert hl.dat",
                       ERROR_FILE_NOT_FOUND);
        ExpectTreeFiles(tree, "game", ".org");
        ExpectTreeFiles(tree, "game");
    }
}

TEST_F(PlaybackSwap, MissingLiveFileStopsTheBackups)
{
    Open("live_missing", false);
    const std::string dir = tree.installDir + "\\";
    DeleteFileA((dir + "valve\\dlls\\hl.dll").c_str());

    SwapEngineFiles(dialog, true);

    ExpectOneError("Could not backup \\valve\\dlls\\hl.dll", ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(FileExists(dir + "valve\\dlls\\hl.dll.org"));
    EXPECT_EQ("game sw.dll", FileTag(dir + "sw.dll.bak"));
    EXPECT_FALSE(FileExists(dir + "cstrike\\cl_dlls\\client.dll.bak"));
    // Nothing of the pack went live.
    EXPECT_EQ("game hl.dat", FileTag(dir + "hl.dat"));
}

TEST_F(PlaybackSwap, ReadOnlyTargetsAreWrittenOver)
{
    Open("read_only", false);
    SwapEngineFiles(dialog, true);
    SwapEngineFiles(dialog, false);
    TakeRecordedBoxes();
    for (const std::string& file : tree.engineFiles) {
        SetReadOnly(tree.installDir + "\\" + file);
        SetReadOnly(tree.installDir + "\\" + file + ".bak");
    }
    for (const std::string& file : tree.modFiles) {
        SetReadOnly(tree.installDir + "\\" + file);
        SetReadOnly(tree.installDir + "\\" + file + ".bak");
    }

    SwapEngineFiles(dialog, true);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(tree, "pack");
    for (const std::string& file : tree.engineFiles)
        SetReadOnly(tree.installDir + "\\" + file);
    SwapEngineFiles(dialog, false);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(tree, "game");
}

TEST_F(PlaybackSwap, PathTooLongIsAFailedCopyOfItsEntry)
{
    Open("too_long", false);
    // A game folder whose ".bak" of \valve\cl_dlls\client.dll (30 more
    // characters) no longer fits, while the files before it do.
    std::string deep = root;
    while (232 - deep.size() > 50)
        deep += "\\" + std::string(40, 'd');
    deep += "\\" + std::string(232 - deep.size() - 1, 'd');
    ASSERT_EQ(232u, deep.size());
    GameTree deepTree = BuildGameTree(deep, false, "cstrike");
    ASSERT_TRUE(FileExists(deepTree.installDir + "\\sw.dll"));
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, deepTree.exePath);

    SwapEngineFiles(dialog, true);

    ExpectOneError("Could not backup \\valve\\cl_dlls\\client.dll", ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ("game sw.dll", FileTag(deepTree.installDir + "\\sw.dll.bak"));
    EXPECT_EQ("game sw.dll", FileTag(deepTree.installDir + "\\sw.dll.org"));
    EXPECT_EQ("game hl.dat", FileTag(deepTree.installDir + "\\hl.dat"));

    // A mod directory too long for the mod files' paths: the engine files
    // are backed up, the first mod entry fails.
    Open("too_long_mod", false);
    std::string mod(230, 'm');
    SetDemoState(mod.c_str(), "43", "*", "*", false);
    SwapEngineFiles(dialog, true);
    ExpectOneError("Could not backup \\cl_dlls\\client.dll", ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ("game valve\\dlls\\hl.dll", FileTag(tree.installDir + "\\valve\\dlls\\hl.dll.bak"));
    EXPECT_EQ("game hl.dat", FileTag(tree.installDir + "\\hl.dat"));

    // An executable path longer than its field, whose first 259 characters
    // lie in the game folder: nothing is copied on the strength of the cut.
    Open("cut_exe", false);
    SetFieldText(dialog, IDC_MAIN_EXE_PATH, tree.installDir + "\\" + std::string(300, 'x'));
    SwapEngineFiles(dialog, true);
    ExpectOneError("Could not backup hl.dat", ERROR_FILENAME_EXCED_RANGE);
    ExpectTreeFiles(tree, "game");
    EXPECT_FALSE(FileExists(tree.installDir + "\\hl.dat.org"));
    EXPECT_FALSE(FileExists(tree.installDir + "\\hl.dat.bak"));
}
