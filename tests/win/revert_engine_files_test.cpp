#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "revert/revert_engine_files.h"
#include "tests/support/swapped_tree.h"
#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"
#include "tests/win/support/expected_boxes.h"
#include "tests/win/support/recorded_messages.h"

static const char SUCCESS_TEXT[] = "Half-Life succesfully reverted.";
static const char NOTHING_SAVED_TEXT[] =
    "No game executable has been saved, so nothing was reverted.";

static void SaveGamePathBytes(const void* bytes, DWORD size)
{
    ASSERT_TRUE(WriteRegistryBytes(HKEY_CURRENT_USER, SETTINGS_KEY, "Path", REG_SZ, bytes, size));
}

// Stores the path as the main program saves it: REG_SZ, NUL counted.
static void SaveGamePath(const std::string& exePath)
{
    SaveGamePathBytes(exePath.c_str(), (DWORD)exePath.size() + 1);
}

static void DeleteSettingsKey()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, SETTINGS_KEY);
}

static void ExpectPackFile(const std::string& folder, const std::string& file)
{
    EXPECT_EQ("pack " + file, ReadFileText(folder + "\\" + file)) << file;
}

// Runs the revert tool with no box left over from before.
static void RevertAfresh()
{
    TakeRecordedBoxes();
    RevertEngineFiles();
}

// The boxes a fresh run of the revert tool showed.
static std::vector<RecordedBox> RevertBoxes()
{
    RevertAfresh();
    return TakeRecordedBoxes();
}

static void ExpectRevertError(const RecordedBox& box, const char* entry, DWORD error)
{
    ExpectBox(box, ErrorBoxText(std::string("Could not revert ") + entry, error), "Error",
              MB_ICONINFORMATION);
}

// Reverts a tree whose `files` were swapped (the first `restored` of them
// already back) beside swapped `others` the revert must leave alone, the game
// saved as folder\exeName: all of `files` are the game's own again.
static void ExpectTreeReverted(const char* name, const std::vector<std::string>& files,
                               size_t restored, const std::vector<std::string>& others,
                               const char* exeName)
{
    std::string game = MakeScratchFolder(name);
    MakeSwappedTree(game, files, restored);
    MakeSwappedTree(game, others, 0);
    SaveGamePath(game + "\\" + exeName);

    RevertAfresh();

    ExpectOnlyNotice(SUCCESS_TEXT);
    ExpectGameFiles(game, files);
    for (const std::string& other : others)
        ExpectPackFile(game, other);
    RemoveTree(game);
}

TEST(RevertTool, HalfLifeTreeAfterHalfDoneSwap)
{
    // Counter-Strike's own files are no part of a Half-Life revert.
    ExpectTreeReverted("revert-half-life", halfLifeFiles, 3, {"cstrike.dat", "cstrike.exe"},
                       "hl.exe");
}

TEST(RevertTool, CounterStrikeTree)
{
    // Chosen on a lower-cased copy; the path itself keeps its case.
    ExpectTreeReverted("revert-counter-strike", counterStrikeFiles, 0,
                       {"hl.dat", "valve\\dlls\\hl.dll"}, "CSTRIKE.EXE");
}

TEST(RevertTool, PathWithoutBackslashIsAFolderOfTheCurrentDirectory)
{
    std::string scratch = MakeScratchFolder("revert-relative");
    char previous[MAX_PATH];
    GetCurrentDirectoryA(sizeof previous, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(scratch.c_str()));

    // "Game" names the game folder itself, found from the current directory.
    MakeSwappedTree(scratch + "\\Game", halfLifeFiles, 0);
    SaveGamePath("Game");
    RevertAfresh();
    ExpectOnlyNotice(SUCCESS_TEXT);
    ExpectGameFiles(scratch + "\\Game", halfLifeFiles);

    // "hl.exe" alone is taken as a folder too, so the files beside it in the
    // current directory are not the ones it names: nothing to restore.
    MakeSwappedTree(scratch, {"hl.dat", "hl.exe"}, 0);
    SaveGamePath("hl.exe");
    RevertEngineFiles();
    ExpectOnlyNotice(SUCCESS_TEXT);
    ExpectPackFile(scratch, "hl.dat");
    ExpectPackFile(scratch, "hl.exe");

    SetCurrentDirectoryA(previous);
    RemoveTree(scratch);
}

TEST(RevertTool, TreeNeverSwappedIsLeftAsItIs)
{
    std::string game = MakeScratchFolder("revert-never-swapped");
    for (const std::string& file : halfLifeFiles)
        EXPECT_TRUE(WriteFileBytes(game + "\\" + file, "game " + file));
    SaveGamePath(game + "\\hl.exe");

    RevertAfresh();

    ExpectOnlyNotice(SUCCESS_TEXT);
    for (const std::string& file : halfLifeFiles) {
        EXPECT_EQ("game " + file, ReadFileText(game + "\\" + file));
        EXPECT_FALSE(FileExists(game + "\\" + file + ".org")) << file;
    }
    RemoveTree(game);
}

// The error the platform gives for writing over a read-only file, or 0 when it
// writes all the same (Wine running as root does).
static DWORD ReadOnlyWriteError(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(file);
    return 0;
}

TEST(RevertTool, ReadOnlyOrBusyLiveFilesAreReportedAndTheRestRestored)
{
    std::string game = MakeScratchFolder("revert-locked");
    MakeSwappedTree(game, halfLifeFiles, 0);
    SetFileAttributesA((game + "\\hw.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    DWORD readOnlyError = ReadOnlyWriteError(game + "\\hw.dll");
    // The game still running holds its files open.
    HANDLE busy = CreateFileA((game + "\\valve\\dlls\\hl.dll").c_str(), GENERIC_READ, 0, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, busy);
    SaveGamePath(game + "\\hl.exe");

    std::vector<RecordedBox> boxes = RevertBoxes();
    CloseHandle(busy);
    std::vector<std::string> restored = halfLifeFiles;
    restored.erase(restored.begin() + 5);
    if (readOnlyError != 0) {
        ASSERT_EQ(2u, boxes.size());
        ExpectRevertError(boxes[0], "hw.dll", readOnlyError);
        ExpectPackFile(game, "hw.dll");
        restored.erase(restored.begin() + 2);
        boxes.erase(boxes.begin());
    }
    ASSERT_EQ(1u, boxes.size());
    ExpectRevertError(boxes[0], "\\valve\\dlls\\hl.dll", ERROR_SHARING_VIOLATION);
    ExpectPackFile(game, "valve\\dlls\\hl.dll");
    ExpectGameFiles(game, restored);
    RemoveTree(game);
}

TEST(RevertTool, ModFilesOfAnotherModAreLeftSwapped)
{
    ExpectTreeReverted("revert-other-mod", halfLifeFiles, 0,
                       {"dod\\cl_dlls\\client.dll", "dod\\dlls\\mp.dll"}, "hl.exe");
}

TEST(RevertTool, PathsTooLongForTheirBuffersAreFailedCopies)
{
    // A 240-character game folder: the four short engine entries fit, the
    // ones under valve and cstrike would need more than 259 characters.
    std::string base = MakeScratchFolder("revert-long");
    std::string game = base;
    while (game.size() < 240)
        game += "\\" + std::string(std::min<size_t>(100, 240 - game.size() - 1), 'd');
    ASSERT_EQ(240u, game.size());
    std::vector<std::string> shortFiles(halfLifeFiles.begin(), halfLifeFiles.begin() + 4);
    MakeSwappedTree(game, shortFiles, 0);
    SaveGamePath(game + "\\hl.exe");

    std::vector<RecordedBox> boxes = RevertBoxes();
    ASSERT_EQ(4u, boxes.size());
    ExpectRevertError(boxes[0], "\\valve\\cl_dlls\\client.dll", ERROR_FILENAME_EXCED_RANGE);
    ExpectRevertError(boxes[1], "\\valve\\dlls\\hl.dll", ERROR_FILENAME_EXCED_RANGE);
    ExpectRevertError(boxes[2], "\\cl_dlls\\client.dll", ERROR_FILENAME_EXCED_RANGE);
    ExpectRevertError(boxes[3], "\\dlls\\mp.dll", ERROR_FILENAME_EXCED_RANGE);
    ExpectGameFiles(game, shortFiles);
    RemoveTree(base);
}

// Files at the root of the current drive: where copies would land if an
// unreadable or empty path were taken as the game folder.
static const std::vector<std::string> rootFiles = {"hl.dat", "cstrike\\dlls\\mp.dll"};

static void MakeRootDecoys()
{
    for (const std::string& file : rootFiles) {
        EXPECT_TRUE(WriteFileBytes("\\" + file + ".org", "game " + file));
        EXPECT_TRUE(WriteFileBytes("\\" + file, "pack " + file));
    }
}

static void ExpectRootDecoysUntouched()
{
    for (const std::string& file : rootFiles) {
        EXPECT_EQ("pack " + file, ReadFileText("\\" + file));
        DeleteFileA(("\\" + file).c_str());
        DeleteFileA(("\\" + file + ".org").c_str());
    }
}

// Each test starts without the settings key, with the decoys in place, and
// leaves no key behind.
struct RevertSettings : testing::Test {
    RevertSettings()
    {
        DeleteSettingsKey();
        MakeRootDecoys();
    }
    ~RevertSettings() { DeleteSettingsKey(); }
};

TEST_F(RevertSettings, NoSettingsKeyOnlySaysNothingWasReverted)
{
    RevertAfresh();

    ExpectOnlyNotice(NOTHING_SAVED_TEXT);
    ExpectRootDecoysUntouched();
}

TEST_F(RevertSettings, PathMissingIsReportedAndNothingCopied)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, (LPSTR) "",
                                             REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, &key,
                                             NULL));
    RegDeleteValueA(key, "Path");
    RegSetValueExA(key, "CommandLine", 0, REG_SZ, (const BYTE*)"-console", 9);
    RegCloseKey(key);

    std::vector<RecordedBox> boxes = RevertBoxes();
    ASSERT_EQ(2u, boxes.size());
    ExpectBox(boxes[0], ErrorBoxText("Could not read BWV1", ERROR_FILE_NOT_FOUND), "Error",
              MB_ICONINFORMATION);
    ExpectBox(boxes[1], NOTHING_SAVED_TEXT, "Flickbox", MB_OK | MB_ICONINFORMATION);
    ExpectRootDecoysUntouched();
}

TEST_F(RevertSettings, EmptyPathNamesNoGame)
{
    SaveGamePath("");

    RevertAfresh();

    ExpectOnlyNotice(NOTHING_SAVED_TEXT);
    ExpectRootDecoysUntouched();
}

TEST_F(RevertSettings, PathThatDoesNotFitIsUnreadable)
{
    // 260 bytes without a NUL, and a longer value: both cut.
    for (size_t length : {260u, 300u}) {
        std::string tooLong(length, 'a');
        SaveGamePathBytes(tooLong.data(), (DWORD)length);

        std::vector<RecordedBox> boxes = RevertBoxes();
        ASSERT_EQ(2u, boxes.size()) << length;
        ExpectBox(boxes[0], ErrorBoxText("Could not read BWV1", ERROR_MORE_DATA), "Error",
                  MB_ICONINFORMATION);
        ExpectBox(boxes[1], NOTHING_SAVED_TEXT, "Flickbox", MB_OK | MB_ICONINFORMATION);
    }
    ExpectRootDecoysUntouched();

    // 259 characters and the NUL fill the buffer exactly and are read; every
    // copy path is then too long.
    SaveGamePath("C:\\" + std::string(249, 'd') + "\\hl.exe");
    std::vector<RecordedBox> boxes = RevertBoxes();
    ASSERT_EQ(8u, boxes.size());
    ExpectRevertError(boxes[0], "hl.dat", ERROR_FILENAME_EXCED_RANGE);
    ExpectRevertError(boxes[7], "\\dlls\\mp.dll", ERROR_FILENAME_EXCED_RANGE);
}
