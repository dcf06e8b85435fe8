// flickbox-revert as the user runs it: it puts the saved game's pristine
// engine files back and says how it went in a box.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/support/checks.h"
#include "tests/e2e/support/driver.h"
#include "tests/e2e/support/scratch.h"
#include "tests/support/swapped_tree.h"

// Starts the real flickbox-revert.exe; its boxes are then answered one by one.
static void StartRevert(FlickboxRun* run)
{
    ASSERT_TRUE(StartFlickbox(JoinPath(DriverBinFolder(), "flickbox-revert.exe").c_str(), NULL, NULL, run));
}

static DWORD WaitForEnd(FlickboxRun* run)
{
    DWORD exitCode = 99;
    EXPECT_TRUE(WaitForExit(*run, &exitCode)) << "flickbox-revert.exe did not end";
    EndFlickbox(run);
    return exitCode;
}

TEST(E2eRevert, RevertsTheSavedGameAndSaysSo)
{
    std::string game = MakeScratchFolder("revert-program");
    MakeSwappedTree(game, halfLifeFiles, 2);
    ASSERT_TRUE(WriteSavedSettings(JoinPath(game, "hl.exe"), "", ""));

    FlickboxRun run;
    StartRevert(&run);
    ExpectMessageBox(run, "Flickbox", "Half-Life succesfully reverted.");
    EXPECT_EQ(0u, WaitForEnd(&run));
    ExpectGameFiles(game, halfLifeFiles);
}

TEST(E2eRevert, ReportsAFailedCopyAndNothingSaved)
{
    std::string game = MakeScratchFolder("revert-program-locked");
    MakeSwappedTree(game, halfLifeFiles, 0);
    HANDLE busy = CreateFileA(JoinPath(game, "sw.dll").c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    ASSERT_TRUE(WriteSavedSettings(JoinPath(game, "hl.exe"), "", ""));

    FlickboxRun run;
    StartRevert(&run);
    ExpectMessageBox(run, "Error", ErrorBoxText("Could not revert sw.dll", ERROR_SHARING_VIOLATION));
    EXPECT_EQ(0u, WaitForEnd(&run));
    CloseHandle(busy);
    EXPECT_EQ("pack sw.dll", ReadFileText(JoinPath(game, "sw.dll")));
    EXPECT_EQ("game hw.dll", ReadFileText(JoinPath(game, "hw.dll")));

    ASSERT_TRUE(DeleteRegistryTree(HKEY_CURRENT_USER, SETTINGS_KEY));
    StartRevert(&run);
    ExpectMessageBox(run, "Flickbox", "No game executable has been saved, so nothing was reverted.");
    EXPECT_EQ(0u, WaitForEnd(&run));
}
