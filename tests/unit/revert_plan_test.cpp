#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "revert/revert_plan.h"

struct PlannedCopy {
    const char* source;
    const char* target;
};

static void ExpectPlan(const char* exePath, const std::vector<PlannedCopy>& expected)
{
    RevertCopy copies[MOST_REVERT_COPIES];
    int count = PlanRevertCopies(exePath, copies);
    ASSERT_EQ((int)expected.size(), count) << exePath;
    for (int i = 0; i < count; i++) {
        EXPECT_STREQ(expected[i].source, copies[i].source) << exePath << " #" << i;
        EXPECT_STREQ(expected[i].target, copies[i].target) << exePath << " #" << i;
        EXPECT_TRUE(copies[i].fits) << exePath << " #" << i;
    }
}

TEST(RevertPlan, HalfLifeSetThenCstrikeModFiles)
{
    ExpectPlan("C:\\Games\\Half-Life\\hl.exe",
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

TEST(RevertPlan, CounterStrikeChosenByLowerCasedName)
{
    // The case of the path is kept in the copies; only the choice ignores it.
    ExpectPlan("D:\\GAMES\\CSTRIKE.EXE",
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

TEST(RevertPlan, ChoiceOfSet)
{
    struct Row {
        const char* exePath;
        int copies;
    } rows[] = {
        {"C:\\Sierra\\Counter-Strike\\cstrike.exe", 7},
        {"C:\\cstrike.exe.d\\hl.exe", 7}, // a folder name counts too
        {"C:\\Games\\game.exe", 8},       // neither name: Half-Life
        {"C:\\Games\\cstrike\\hl.exe", 8},
    };
    for (const Row& row : rows) {
        RevertCopy copies[MOST_REVERT_COPIES];
        EXPECT_EQ(row.copies, PlanRevertCopies(row.exePath, copies)) << row.exePath;
        EXPECT_STREQ(row.copies == 7 ? "cstrike.dat" : "hl.dat", copies[0].entry) << row.exePath;
    }
}

TEST(RevertPlan, EntriesWhosePathsDoNotFitAreMarked)
{
    // With a 240-character folder the short engine entries fit (".org" paths
    // of 251 characters) and the ones under valve and cstrike do not.
    std::string dir = "C:\\" + std::string(237, 'd');
    std::string exePath = dir + "\\hl.exe";
    RevertCopy copies[MOST_REVERT_COPIES];
    ASSERT_EQ(8, PlanRevertCopies(exePath.c_str(), copies));
    bool expectedFits[8] = {true, true, true, true, false, false, false, false};
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(expectedFits[i], copies[i].fits) << copies[i].entry;
    EXPECT_EQ(dir + "\\hl.dat.org", copies[0].source);
    EXPECT_STREQ("\\valve\\cl_dlls\\client.dll", copies[4].entry);
}

TEST(RevertPlan, FitsUpToTheLastByteOfTheBuffer)
{
    // "\hl.dat.org" adds 11 characters: a 248-character folder gives a source
    // of exactly 259, the most a 260-byte buffer holds; 249 is one too many.
    for (int length : {248, 249}) {
        std::string exePath = "C:\\" + std::string(length - 3, 'd') + "\\hl.exe";
        RevertCopy copies[MOST_REVERT_COPIES];
        PlanRevertCopies(exePath.c_str(), copies);
        EXPECT_EQ(length == 248, copies[0].fits) << length;
    }
}
