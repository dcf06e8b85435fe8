#include <gtest/gtest.h>

#include <string.h>

#include "shared/engine_files.h"
#include "shared/error_text.h"
#include "shared/text.h"

TEST(BoundedText, CopyFitsOrReportsTheCut)
{
    char buffer[6];
    EXPECT_TRUE(CopyText(buffer, sizeof buffer, "12345"));
    EXPECT_STREQ("12345", buffer);
    EXPECT_FALSE(CopyText(buffer, sizeof buffer, "123456"));
    EXPECT_STREQ("12345", buffer);
    EXPECT_FALSE(CopyText(buffer, 0, "x"));
}

TEST(BoundedText, AppendAndFormatDetectTruncation)
{
    char buffer[8] = "abc";
    EXPECT_TRUE(AppendText(buffer, sizeof buffer, "defg"));
    EXPECT_STREQ("abcdefg", buffer);
    EXPECT_FALSE(AppendText(buffer, sizeof buffer, "h"));
    EXPECT_STREQ("abcdefg", buffer);

    char line[10];
    EXPECT_TRUE(FormatText(line, sizeof line, "%s\\%s", "ab", "cdefgh"));
    EXPECT_STREQ("ab\\cdefgh", line);
    EXPECT_FALSE(FormatText(line, sizeof line, "%s\\%s", "abc", "cdefgh"));
    EXPECT_EQ(9u, strlen(line));
}

TEST(BoundedText, CopyPrefixStopsAtLengthOrNul)
{
    char buffer[16];
    EXPECT_TRUE(CopyTextPrefix(buffer, sizeof buffer, "abcdef", 3));
    EXPECT_STREQ("abc", buffer);
    EXPECT_TRUE(CopyTextPrefix(buffer, sizeof buffer, "ab", 5));
    EXPECT_STREQ("ab", buffer);
}

TEST(PathText, CutAtLastBackslashAndInstallDir)
{
    struct Row { const char* path; const char* cut; } rows[] = {
        {"C:\\Games\\Half-Life\\hl.exe", "C:\\Games\\Half-Life"},
        {"C:\\demos\\..", "C:\\demos"},
        {"hl.exe", "hl.exe"},
        {"C:\\", "C:"},
        {"", ""},
    };
    for (const Row& row : rows) {
        char copy[PATH_BUFFER_SIZE];
        CopyText(copy, sizeof copy, row.path);
        CutAtLastBackslash(copy);
        EXPECT_STREQ(row.cut, copy) << row.path;
        char dir[PATH_BUFFER_SIZE];
        EXPECT_TRUE(DeriveInstallDir(row.path, dir, sizeof dir));
        EXPECT_STREQ(row.cut, dir) << row.path;
    }
    char small[4];
    EXPECT_FALSE(DeriveInstallDir("C:\\Games\\hl.exe", small, sizeof small));
}

TEST(PathText, LowerCaseAndGameKind)
{
    char lower[PATH_BUFFER_SIZE];
    LowerCaseCopy("D:\\GAMES\\CStrike.EXE \xC4", lower, sizeof lower);
    EXPECT_STREQ("d:\\games\\cstrike.exe \xC4", lower);
    EXPECT_TRUE(IsCounterStrikePath("D:\\GAMES\\CSTRIKE.EXE"));
    EXPECT_TRUE(IsCounterStrikePath("C:\\cstrike.exe.old\\hl.exe"));
    EXPECT_FALSE(IsCounterStrikePath("C:\\Games\\hl.exe"));
    EXPECT_FALSE(IsCounterStrikePath("cstrike"));
    EXPECT_TRUE(ContainsText("abc", "bc"));
    EXPECT_FALSE(ContainsText("abc", "cd"));
}

TEST(EngineFileTables, EntriesInTheirOrder)
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

TEST(ErrorText, MessageColonSystemText)
{
    char text[64];
    EXPECT_TRUE(ComposeErrorText(text, sizeof text, "Could not open demo-file", "File not found.\r\n"));
    EXPECT_STREQ("Could not open demo-file: File not found.\r\n", text);
    EXPECT_TRUE(ComposeErrorText(text, sizeof text, "Could not read dir", ""));
    EXPECT_STREQ("Could not read dir: ", text);
}
