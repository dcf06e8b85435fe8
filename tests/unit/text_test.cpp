#include <gtest/gtest.h>

#include <string.h>

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
    // A value the format cannot convert (no such character in the C locale):
    // a failure, and nothing half written is kept.
    EXPECT_FALSE(FormatText(line, sizeof line, "a%lsb", L"\xe9"));
    EXPECT_STREQ("", line);
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
        ASSERT_TRUE(CopyText(copy, sizeof copy, row.path));
        CutAtLastBackslash(copy);
        EXPECT_STREQ(row.cut, copy) << row.path;
        char dir[PATH_BUFFER_SIZE];
        EXPECT_TRUE(DeriveInstallDir(dir, sizeof dir, row.path));
        EXPECT_STREQ(row.cut, dir) << row.path;
    }
    char small[4];
    EXPECT_FALSE(DeriveInstallDir(small, sizeof small, "C:\\Games\\hl.exe"));
}

TEST(PathText, LowerCaseCopyAndContains)
{
    char lower[PATH_BUFFER_SIZE];
    EXPECT_TRUE(LowerCaseCopy(lower, sizeof lower, "D:\\GAMES\\CStrike.EXE \xC4"));
    EXPECT_STREQ("d:\\games\\cstrike.exe \xC4", lower);
    char small[4];
    EXPECT_FALSE(LowerCaseCopy(small, sizeof small, "ABCD"));
    EXPECT_STREQ("abc", small);
    EXPECT_TRUE(ContainsText("abc", "bc"));
    EXPECT_FALSE(ContainsText("abc", "cd"));
}

TEST(ErrorText, MessageColonSystemText)
{
    char text[64];
    EXPECT_TRUE(ComposeErrorText(text, sizeof text, "Could not open demo-file", "File not found.\r\n"));
    EXPECT_STREQ("Could not open demo-file: File not found.\r\n", text);
    EXPECT_TRUE(ComposeErrorText(text, sizeof text, "Could not read dir", ""));
    EXPECT_STREQ("Could not read dir: ", text);
}
