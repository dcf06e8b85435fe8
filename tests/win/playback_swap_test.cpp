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

struct SwapScene {
    std::string root;
    GameTree tree;
    HWND dialog;
};

// A game tree and a pack beside a stand-in program folder, the dialog naming
// the tree's executable.
static SwapScene MakeScene(const std::string& name, bool counterStrike, const std::string& mod = "cstrike")
{
    SwapScene scene;
    scene.root = MakeScratchFolder("play-" + name);
    scene.tree = BuildGameAndPack(scene.root, counterStrike, mod);
    SetDemoState(mod.c_str(), "43", "*", "*", false);
    scene.dialog = CreateIdleDialog(IDD_MAIN);
    SetFieldText(scene.dialog, IDC_MAIN_EXE_PATH, scene.tree.exePath);
    TakeRecordedBoxes();
    return scene;
}

static void EndScene(SwapScene& scene)
{
    DestroyWindow(scene.dialog);
    RemoveGameAndPack(scene.root);
}

static void ExpectOneError(const std::string& message, DWORD error)
{
    ExpectErrorBoxes({ErrorBoxText(message, error)});
}

TEST(PlaybackSwap, HalfLifeInstallAndRevert)
{
    SwapScene scene = MakeScene("hl_swap", false);

    SwapEngineFiles(scene.dialog, true);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(scene.tree, "pack");
    ExpectTreeFiles(scene.tree, "game", ".org");
    ExpectTreeFiles(scene.tree, "game", ".bak");

    SwapEngineFiles(scene.dialog, false);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(scene.tree, "game");

    // A changed game file gets a fresh backup; its pristine copy stays.
    std::string hw = scene.tree.installDir + "\\hw.dll";
    WriteFileBytes(hw, "game hw.dll v2");
    SetReadOnly(hw + ".org");
    SwapEngineFiles(scene.dialog, true);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    EXPECT_EQ("game hw.dll", FileTag(hw + ".org"));
    EXPECT_FALSE(GetFileAttributesA((hw + ".org").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ("game hw.dll v2", FileTag(hw + ".bak"));
    EXPECT_EQ("pack hw.dll", FileTag(hw));
    SwapEngineFiles(scene.dialog, false);
    EXPECT_EQ("game hw.dll v2", FileTag(hw));
    EndScene(scene);
}

TEST(PlaybackSwap, CounterStrikeSetFromACapitalPath)
{
    SwapScene scene = MakeScene("cs_swap", true);
    std::string upper = scene.tree.installDir + "\\CSTRIKE.EXE";
    SetFieldText(scene.dialog, IDC_MAIN_EXE_PATH, upper);

    SwapEngineFiles(scene.dialog, true);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(scene.tree, "pack");
    ExpectTreeFiles(scene.tree, "game", ".bak");
    // The Half-Life set was not touched.
    EXPECT_FALSE(FileExists(scene.tree.installDir + "\\hl.dat.bak"));
    EXPECT_FALSE(FileExists(scene.tree.installDir + "\\valve\\dlls\\hl.dll.org"));

    SwapEngineFiles(scene.dialog, false);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(scene.tree, "game");
    EndScene(scene);
}

TEST(PlaybackSwap, MissingPackFileStopsAfterTheBackups)
{
    SwapScene scene = MakeScene("pack_missing", false);
    DeleteFileA((appState.programDir + std::string("\\p43\\hw.dll")).c_str());

    SwapEngineFiles(scene.dialog, true);

    ExpectOneError("Could not copy hw.dll", ERROR_FILE_NOT_FOUND);
    ExpectTreeFiles(scene.tree, "game", ".bak");
    const std::string dir = scene.tree.installDir + "\\";
    EXPECT_EQ("pack hl.dat", FileTag(dir + "hl.dat"));
    EXPECT_EQ("pack hl.exe", FileTag(dir + "hl.exe"));
    EXPECT_EQ("game hw.dll", FileTag(dir + "hw.dll"));
    EXPECT_EQ("game sw.dll", FileTag(dir + "sw.dll"));
    EXPECT_EQ("game cstrike\\dlls\\mp.dll", FileTag(dir + "cstrike\\dlls\\mp.dll"));

    // A missing mod pack file is reported with the entry as stored.
    DeleteFileA((appState.programDir + std::string("\\cstrike\\dlls\\mp.dll")).c_str());
    BuildPack(appState.programDir, false, "other");
    WriteFileBytes(appState.programDir + std::string("\\p43\\hw.dll"), "pack hw.dll");
    SwapEngineFiles(scene.dialog, true);
    ExpectOneError("Could not copy \\dlls\\mp.dll", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ("pack cstrike\\cl_dlls\\client.dll", FileTag(dir + "cstrike\\cl_dlls\\client.dll"));
    EndScene(scene);
}

TEST(PlaybackSwap, RevertWithoutBackupsMakesPristineCopiesThenStops)
{
    for (bool counterStrike : {false, true}) {
        SwapScene scene = MakeScene("no_backups", counterStrike);

        SwapEngineFiles(scene.dialog, false);

        ExpectOneError(counterStrike ? "Could not revert cstrike.dat" : "Could not revert hl.dat",
                       ERROR_FILE_NOT_FOUND);
        ExpectTreeFiles(scene.tree, "game", ".org");
        ExpectTreeFiles(scene.tree, "game");
        EndScene(scene);
    }
}

TEST(PlaybackSwap, MissingLiveFileStopsTheBackups)
{
    SwapScene scene = MakeScene("live_missing", false);
    const std::string dir = scene.tree.installDir + "\\";
    DeleteFileA((dir + "valve\\dlls\\hl.dll").c_str());

    SwapEngineFiles(scene.dialog, true);

    ExpectOneError("Could not backup \\valve\\dlls\\hl.dll", ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(FileExists(dir + "valve\\dlls\\hl.dll.org"));
    EXPECT_EQ("game sw.dll", FileTag(dir + "sw.dll.bak"));
    EXPECT_FALSE(FileExists(dir + "cstrike\\cl_dlls\\client.dll.bak"));
    // Nothing of the pack went live.
    EXPECT_EQ("game hl.dat", FileTag(dir + "hl.dat"));
    EndScene(scene);
}

TEST(PlaybackSwap, ReadOnlyTargetsAreWrittenOver)
{
    SwapScene scene = MakeScene("read_only", false);
    SwapEngineFiles(scene.dialog, true);
    SwapEngineFiles(scene.dialog, false);
    TakeRecordedBoxes();
    for (const std::string& file : scene.tree.engineFiles) {
        SetReadOnly(scene.tree.installDir + "\\" + file);
        SetReadOnly(scene.tree.installDir + "\\" + file + ".bak");
    }
    for (const std::string& file : scene.tree.modFiles) {
        SetReadOnly(scene.tree.installDir + "\\" + file);
        SetReadOnly(scene.tree.installDir + "\\" + file + ".bak");
    }

    SwapEngineFiles(scene.dialog, true);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(scene.tree, "pack");
    for (const std::string& file : scene.tree.engineFiles)
        SetReadOnly(scene.tree.installDir + "\\" + file);
    SwapEngineFiles(scene.dialog, false);
    EXPECT_TRUE(TakeRecordedBoxes().empty());
    ExpectTreeFiles(scene.tree, "game");
    EndScene(scene);
}

TEST(PlaybackSwap, PathTooLongIsAFailedCopyOfItsEntry)
{
    SwapScene scene = MakeScene("too_long", false);
    // A game folder whose ".bak" of \valve\cl_dlls\client.dll (30 more
    // characters) no longer fits, while the files before it do.
    std::string deep = scene.root;
    while (232 - deep.size() > 50)
        deep += "\\" + std::string(40, 'd');
    deep += "\\" + std::string(232 - deep.size() - 1, 'd');
    ASSERT_EQ(232u, deep.size());
    GameTree tree = BuildGameTree(deep, false, "cstrike");
    ASSERT_TRUE(FileExists(tree.installDir + "\\sw.dll"));
    SetFieldText(scene.dialog, IDC_MAIN_EXE_PATH, tree.exePath);

    SwapEngineFiles(scene.dialog, true);

    ExpectOneError("Could not backup \\valve\\cl_dlls\\client.dll", ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ("game sw.dll", FileTag(tree.installDir + "\\sw.dll.bak"));
    EXPECT_EQ("game sw.dll", FileTag(tree.installDir + "\\sw.dll.org"));
    EXPECT_EQ("game hl.dat", FileTag(tree.installDir + "\\hl.dat"));

    // A mod directory too long for the mod files' paths: the engine files
    // are backed up, the first mod entry fails.
    SwapScene scene2 = MakeScene("too_long_mod", false);
    std::string mod(230, 'm');
    SetDemoState(mod.c_str(), "43", "*", "*", false);
    SwapEngineFiles(scene2.dialog, true);
    ExpectOneError("Could not backup \\cl_dlls\\client.dll", ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ("game valve\\dlls\\hl.dll", FileTag(scene2.tree.installDir + "\\valve\\dlls\\hl.dll.bak"));
    EXPECT_EQ("game hl.dat", FileTag(scene2.tree.installDir + "\\hl.dat"));
    EndScene(scene2);
    EndScene(scene);
}
