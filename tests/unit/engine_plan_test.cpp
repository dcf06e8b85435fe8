#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/engine_plan.h"

TEST(EnginePlan, TablesInTheirOrder)
{
    const char* halfLife[] = {"hl.dat", "hl.exe", "hw.dll", "sw.dll",
                              "\\valve\\cl_dlls\\client.dll", "\\valve\\dlls\\hl.dll"};
    for (int i = 0; i < HALF_LIFE_FILE_COUNT; i++)
        EXPECT_STREQ(halfLife[i], HalfLifeFileSet[i]);
    const char* counterStrike[] = {"cstrike.dat", "cstrike.exe", "hw.dll", "sw.dll",
                                   "\\valve\\cl_dlls\\client.dll"};
    for (int i = 0; i < COUNTER_STRIKE_FILE_COUNT; i++)
        EXPECT_STREQ(counterStrike[i], CounterStrikeFileSet[i]);
    EXPECT_STREQ("\\cl_dlls\\client.dll", ModFileSet[0]);
    EXPECT_STREQ("\\dlls\\mp.dll", ModFileSet[1]);
}

// The registry's rule tests hl.exe first; the file set's rule looks only for
// cstrike.exe. Both on a lower-cased copy of the whole path.
TEST(EnginePlan, GameKindAndFileSetRulesSideBySide)
{
    struct Row {
        const char* path;
        GameKind kind;
        bool counterStrikeFiles;
    } rows[] = {
        {"C:\\Games\\Half-Life\\hl.exe", GAME_HALF_LIFE, false},
        {"C:\\GAMES\\HALF-LIFE\\HL.EXE", GAME_HALF_LIFE, false},
        {"D:\\GAMES\\CSTRIKE.EXE", GAME_COUNTER_STRIKE, true},
        {"C:\\Sierra\\Counter-Strike\\cstrike.exe", GAME_COUNTER_STRIKE, true},
        {"C:\\Games\\hl.exe.old\\cstrike.exe", GAME_HALF_LIFE, true},
        {"C:\\Games\\cstrike.exe\\hl.exe", GAME_HALF_LIFE, true},
        {"C:\\cstrike.exe.d\\hl.exe", GAME_HALF_LIFE, true},
        {"C:\\Games\\cstrike\\hl.exe", GAME_HALF_LIFE, false},
        {"C:\\Games\\Half-Life\\hl2.exe", GAME_NONE, false},
        {"C:\\Games\\Half-Life\\hl.ex", GAME_NONE, false},
        {"C:\\Games\\game.exe", GAME_NONE, false},
        {"cstrike", GAME_NONE, false},
        {"", GAME_NONE, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.kind, GameKindFromPath(row.path)) << row.path;
        EXPECT_EQ(row.counterStrikeFiles, IsCounterStrikePath(row.path)) << row.path;
    }
    // Longer than a field holds: no game for the registry.
    std::string longPath = std::string(300, 'a') + "\\hl.exe";
    EXPECT_EQ(GAME_NONE, GameKindFromPath(longPath.c_str()));
}

struct PlannedCopy {
    const char* source;
    const char* target;
};

static void ExpectPlan(EngineCopyKind kind, const char* exePath, const char* modDir,
                       const std::vector<PlannedCopy>& expected)
{
    EngineCopy copies[MOST_ENGINE_COPIES];
    int count = PlanEngineCopies(copies, kind, exePath, modDir, "C:\\FB");
    ASSERT_EQ((int)expected.size(), count) << exePath;
    for (int i = 0; i < count; i++) {
        EXPECT_STREQ(expected[i].source, copies[i].source) << exePath << " #" << i;
        EXPECT_STREQ(expected[i].target, copies[i].target) << exePath << " #" << i;
        EXPECT_TRUE(copies[i].fits) << exePath << " #" << i;
    }
}

TEST(EnginePlan, RevertOfHalfLifeKeepsTheDoubledSeparators)
{
    ExpectPlan(REVERT_COPY, "C:\\Games\\Half-Life\\hl.exe", "cstrike",
               {
                   {"C:\\Games\\Half-Life\\hl.dat.org", "C:\\Games\\Half-Life\\hl.dat"},
                   {"C:\\Games\\Half-Life\\hl.exe.org", "C:\\Games\\Half-Life\\hl.exe"},
                   {"C:\\Games\\Half-Life\\hw.dll.org", "C:\\Games\\Half-Life\\hw.dll"},
                   {"C:\\Games\\Half-Life\\sw.dll.org", "C:\\Games\\Half-Life\\sw.dll"},
                   {"C:\\Games\\Half-Life\\\\valve\\cl_dlls\\client.dll.org",
                    "C:\\Games\\Half-Life\\\\valve\\cl_dlls\\client.dll"},
                   {"C:\\Games\\Half-Life\\\\valve\\dlls\\hl.dll.org",
                    "C:\\Games\\Half-Life\\\\valve\\dlls\\hl.dll"},
                   {"C:\\Games\\Half-Life\\cstrike\\\\cl_dlls\\client.dll.org",
                    "C:\\Games\\Half-Life\\cstrike\\\\cl_dlls\\client.dll"},
                   {"C:\\Games\\Half-Life\\cstrike\\\\dlls\\mp.dll.org",
                    "C:\\Games\\Half-Life\\cstrike\\\\dlls\\mp.dll"},
               });
}

TEST(EnginePlan, CounterStrikeChosenByLowerCasedName)
{
    // The case of the path is kept in the copies; only the choice ignores it.
    ExpectPlan(REVERT_COPY, "D:\\GAMES\\CSTRIKE.EXE", "cstrike",
               {
                   {"D:\\GAMES\\cstrike.dat.org", "D:\\GAMES\\cstrike.dat"},
                   {"D:\\GAMES\\cstrike.exe.org", "D:\\GAMES\\cstrike.exe"},
                   {"D:\\GAMES\\hw.dll.org", "D:\\GAMES\\hw.dll"},
                   {"D:\\GAMES\\sw.dll.org", "D:\\GAMES\\sw.dll"},
                   {"D:\\GAMES\\\\valve\\cl_dlls\\client.dll.org",
                    "D:\\GAMES\\\\valve\\cl_dlls\\client.dll"},
                   {"D:\\GAMES\\cstrike\\\\cl_dlls\\client.dll.org",
                    "D:\\GAMES\\cstrike\\\\cl_dlls\\client.dll"},
                   {"D:\\GAMES\\cstrike\\\\dlls\\mp.dll.org", "D:\\GAMES\\cstrike\\\\dlls\\mp.dll"},
               });
}

TEST(EnginePlan, EachKindCopiesBetweenItsForms)
{
    struct Row {
        EngineCopyKind kind;
        const char* exePath;
        int index;
        const char* source;
        const char* target;
    } rows[] = {
        {PRISTINE_COPY, "C:\\HL\\hl.exe", 0, "C:\\HL\\hl.dat", "C:\\HL\\hl.dat.org"},
        {PRISTINE_COPY, "C:\\HL\\hl.exe", 7, "C:\\HL\\valve\\\\dlls\\mp.dll", "C:\\HL\\valve\\\\dlls\\mp.dll.org"},
        {BACKUP_COPY, "C:\\HL\\hl.exe", 5, "C:\\HL\\\\valve\\dlls\\hl.dll", "C:\\HL\\\\valve\\dlls\\hl.dll.bak"},
        {BACKUP_COPY, "C:\\HL\\hl.exe", 7, "C:\\HL\\valve\\\\dlls\\mp.dll", "C:\\HL\\valve\\\\dlls\\mp.dll.bak"},
        {RESTORE_COPY, "C:\\HL\\hl.exe", 1, "C:\\HL\\hl.exe.bak", "C:\\HL\\hl.exe"},
        {RESTORE_COPY, "C:\\HL\\hl.exe", 6, "C:\\HL\\valve\\\\cl_dlls\\client.dll.bak", "C:\\HL\\valve\\\\cl_dlls\\client.dll"},
        {PACK_COPY, "C:\\HL\\hl.exe", 2, "C:\\FB\\p43\\hw.dll", "C:\\HL\\hw.dll"},
        {PACK_COPY, "C:\\HL\\hl.exe", 7, "C:\\FB\\valve\\\\dlls\\mp.dll", "C:\\HL\\valve\\\\dlls\\mp.dll"},
        {PACK_COPY, "C:\\HL\\cstrike.exe", 4, "C:\\FB\\p43r\\\\valve\\cl_dlls\\client.dll", "C:\\HL\\\\valve\\cl_dlls\\client.dll"},
        {PACK_COPY, "C:\\HL\\cstrike.exe", 6, "C:\\FB\\valver\\\\dlls\\mp.dll", "C:\\HL\\valve\\\\dlls\\mp.dll"},
        {REVERT_COPY, "C:\\HL\\cstrike.exe", 5, "C:\\HL\\valve\\\\cl_dlls\\client.dll.org", "C:\\HL\\valve\\\\cl_dlls\\client.dll"},
    };
    for (const Row& row : rows) {
        EngineCopy copies[MOST_ENGINE_COPIES];
        int count = PlanEngineCopies(copies, row.kind, row.exePath, "valve", "C:\\FB");
        ASSERT_LT(row.index, count) << row.kind << " " << row.exePath;
        EXPECT_STREQ(row.source, copies[row.index].source) << row.kind << " #" << row.index;
        EXPECT_STREQ(row.target, copies[row.index].target) << row.kind << " #" << row.index;
        EXPECT_TRUE(copies[row.index].fits) << row.kind << " #" << row.index;
    }
}

// The swap's copies and the revert tool's meet in the same live files, entry
// for entry, whichever set the path chooses.
TEST(EnginePlan, EveryOperationWorksOnTheSameLiveFiles)
{
    for (const char* exePath : {"C:\\HL\\hl.exe", "C:\\HL\\cstrike.exe"}) {
        EngineCopy backup[MOST_ENGINE_COPIES], restore[MOST_ENGINE_COPIES];
        EngineCopy pack[MOST_ENGINE_COPIES], revert[MOST_ENGINE_COPIES];
        int count = PlanEngineCopies(backup, BACKUP_COPY, exePath, "cstrike", "C:\\FB");
        ASSERT_EQ(count, PlanEngineCopies(restore, RESTORE_COPY, exePath, "cstrike", "C:\\FB"));
        ASSERT_EQ(count, PlanEngineCopies(pack, PACK_COPY, exePath, "cstrike", "C:\\FB"));
        ASSERT_EQ(count, PlanEngineCopies(revert, REVERT_COPY, exePath, "cstrike", ""));
        for (int i = 0; i < count; i++) {
            EXPECT_STREQ(backup[i].source, restore[i].target) << exePath << " #" << i;
            EXPECT_STREQ(backup[i].source, pack[i].target) << exePath << " #" << i;
            EXPECT_STREQ(backup[i].source, revert[i].target) << exePath << " #" << i;
        }
    }
}

TEST(EnginePlan, EntriesWhosePathsDoNotFitAreMarked)
{
    // With a 240-character folder the short engine entries fit (".org" paths
    // of 251 characters) and the ones under valve and cstrike do not.
    std::string dir = "C:\\" + std::string(237, 'd');
    std::string exePath = dir + "\\hl.exe";
    EngineCopy copies[MOST_ENGINE_COPIES];
    ASSERT_EQ(8, PlanEngineCopies(copies, REVERT_COPY, exePath.c_str(), "cstrike", ""));
    bool expectedFits[8] = {true, true, true, true, false, false, false, false};
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(expectedFits[i], copies[i].fits) << copies[i].entry;
    EXPECT_EQ(dir + "\\hl.dat.org", copies[0].source);
    EXPECT_STREQ("\\valve\\cl_dlls\\client.dll", copies[4].entry);
}

TEST(EnginePlan, FitsUpToTheLastByteOfTheBuffer)
{
    struct Row {
        EngineCopyKind kind;
        const char* exe;
        int dirLength;      // of the game folder, or of the program folder for the pack
        int modLength;
        int index;
        bool fits;
    } rows[] = {
        // "\hl.dat.org" and "\hl.dat.bak" add 11 characters: 259 is the most.
        {REVERT_COPY, "hl.exe", 248, 7, 0, true},
        {REVERT_COPY, "hl.exe", 249, 7, 0, false},
        {BACKUP_COPY, "hl.exe", 248, 7, 0, true},
        {BACKUP_COPY, "hl.exe", 249, 7, 0, false},
        // "\p43\hw.dll" adds 11 as well; "\p43r\hw.dll" 12.
        {PACK_COPY, "hl.exe", 248, 7, 2, true},
        {PACK_COPY, "cstrike.exe", 248, 7, 2, false},
        // A mod folder longer than any buffer.
        {BACKUP_COPY, "hl.exe", 2, 259, 6, false},
        {PACK_COPY, "cstrike.exe", 2, 259, 5, false},
    };
    for (const Row& row : rows) {
        std::string dir = "C:" + std::string(row.dirLength - 2, 'd');
        std::string exePath = (row.kind == PACK_COPY ? std::string("C:") : dir) + "\\" + row.exe;
        std::string mod(row.modLength, 'm');
        EngineCopy copies[MOST_ENGINE_COPIES];
        PlanEngineCopies(copies, row.kind, exePath.c_str(), mod.c_str(), dir.c_str());
        EXPECT_EQ(row.fits, copies[row.index].fits) << row.kind << " " << row.dirLength << " #" << row.index;
    }
}
