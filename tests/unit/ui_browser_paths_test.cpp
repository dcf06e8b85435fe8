#include <gtest/gtest.h>

#include <string>

#include "shared/text.h"
#include "ui/browser_paths.h"

TEST(UiBrowserPaths, ListsDotDemNamesWithCaseAndSkipsOnlyTheDotEntry)
{
    struct Row {
        const char* name;
        bool listed;
    } rows[] = {
        {"a.dem", true},      {"a.dem.bak", true}, {"x.demo", true}, {"my.dem.txt", true},
        {"A.DEM", false},     {"x.Dem", false},    {"notes.txt", false}, {"dem", false},
        {".dem", true},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.listed, IsListedDemoName(row.name)) << row.name;

    EXPECT_TRUE(IsCurrentFolderEntry("."));
    // A root folder's first entry is a real one; only the name "." is skipped.
    EXPECT_FALSE(IsCurrentFolderEntry(".."));
    EXPECT_FALSE(IsCurrentFolderEntry("$Recycle.Bin"));
    EXPECT_FALSE(IsCurrentFolderEntry(".hidden"));
}

TEST(UiBrowserPaths, SearchPatternAndShownFolder)
{
    char pattern[PATH_BUFFER_SIZE];
    char shown[PATH_BUFFER_SIZE];
    ASSERT_TRUE(ComposeFolderSearch("C:\\demos", pattern, sizeof pattern, shown, sizeof shown));
    EXPECT_STREQ("C:\\demos\\*", pattern);
    EXPECT_STREQ("C:\\demos\\", shown);
    ASSERT_TRUE(ComposeFolderSearch("C:", pattern, sizeof pattern, shown, sizeof shown));
    EXPECT_STREQ("C:\\*", pattern);
    EXPECT_STREQ("C:\\", shown);

    // 257 characters leave room for "\*"; 258 do not.
    std::string folder = "C:\\" + std::string(254, 'f');
    EXPECT_TRUE(ComposeFolderSearch(folder.c_str(), pattern, sizeof pattern, shown, sizeof shown));
    folder += "g";
    EXPECT_FALSE(ComposeFolderSearch(folder.c_str(), pattern, sizeof pattern, shown, sizeof shown));
}

TEST(UiBrowserPaths, FolderTargets)
{
    struct Row {
        const char* folder;
        const char* entry;
        const char* target;
    } rows[] = {
        {"C:\\demos\\", "[maps]", "C:\\demos\\maps"},
        {"C:\\demos\\", "[..]", "C:"},
        {"C:\\demos\\maps\\", "[..]", "C:\\demos"},
        {"\\\\server\\share\\demos\\", "[..]", "\\\\server\\share"},
        {"C:\\demos\\", "[...]", "C:\\demos\\..."},
        {"C:\\demos\\", "[a]", "C:\\demos\\a"},
        // An entry too short for its brackets adds nothing.
        {"C:\\demos\\", "x", "C:\\demos\\"},
        {"C:\\demos\\", "", "C:\\demos\\"},
        // A file that vanished counts as a folder and loses its first and last characters.
        {"C:\\demos\\", "a.dem", "C:\\demos\\.de"},
    };
    for (const Row& row : rows) {
        char target[PATH_BUFFER_SIZE];
        ASSERT_TRUE(BrowserFolderTarget(row.folder, row.entry, target, sizeof target)) << row.entry;
        EXPECT_STREQ(row.target, target) << row.folder << " " << row.entry;
    }
}

TEST(UiBrowserPaths, FolderTargetThatDoesNotFitIsRefused)
{
    char target[12];
    EXPECT_TRUE(BrowserFolderTarget("C:\\demos\\", "[ab]", target, sizeof target));
    EXPECT_STREQ("C:\\demos\\ab", target);
    EXPECT_FALSE(BrowserFolderTarget("C:\\demos\\", "[abc]", target, sizeof target));
    EXPECT_FALSE(BrowserFolderTarget("C:\\demos\\maps\\", "[..]", target, sizeof target));
    EXPECT_FALSE(BrowserFolderTarget("C:\\demos\\ab\\", "[x]", target, sizeof target));
}
