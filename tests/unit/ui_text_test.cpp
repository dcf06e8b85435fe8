#include <gtest/gtest.h>

#include <string>

#include "shared/text.h"
#include "ui/ui_text.h"

TEST(UiText, ListsDotDemNamesWithCaseAndSkipsOnlyTheDotEntry)
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

// The one-line compositions, each against its buffer's last byte.
TEST(UiText, CompositionsFitOrAreRefused)
{
    std::string longPath = "C:\\" + std::string(253, 'p');   // 256 characters
    struct Row {
        const char* what;
        std::string result;   // empty: refused
        std::string expected;
    };
    char value[PATH_BUFFER_SIZE];
    char shown[PATH_BUFFER_SIZE];
    auto Composed = [&](bool fits) { return fits ? std::string(value) : std::string(); };
    Row rows[] = {
        {"open command", Composed(ComposeOpenCommand(value, sizeof value, "C:\\Program Files\\Flickbox\\flickbox.exe")),
         "C:\\Program Files\\Flickbox\\flickbox.exe %1"},
        {"icon", Composed(ComposeDefaultIcon(value, sizeof value, "C:\\Program Files\\Flickbox\\flickbox.exe")),
         "C:\\Program Files\\Flickbox\\flickbox.exe,0"},
        // 256 + " %1" is 259 characters, the most a 260 buffer holds.
        {"open command, 259", Composed(ComposeOpenCommand(value, sizeof value, longPath.c_str())), longPath + " %1"},
        {"open command, 260", Composed(ComposeOpenCommand(value, sizeof value, (longPath + "x").c_str())), ""},
        {"icon, 259", Composed(ComposeDefaultIcon(value, sizeof value, (longPath + "x").c_str())), longPath + "x,0"},
        {"icon, 260", Composed(ComposeDefaultIcon(value, sizeof value, (longPath + "xy").c_str())), ""},
        {"folder entry", Composed(FormatFolderEntry(value, sizeof value, "maps")), "[maps]"},
        {"folder entry, 260", Composed(FormatFolderEntry(value, sizeof value, (longPath + "xy").c_str())), ""},
        {"joined path", Composed(JoinBrowserPath(value, sizeof value, "C:\\demos\\", "a.dem")), "C:\\demos\\a.dem"},
        {"joined path, 260", Composed(JoinBrowserPath(value, sizeof value, longPath.c_str(), "a.dem")), ""},
        {"search", Composed(ComposeFolderSearch(value, sizeof value, shown, sizeof shown, "C:\\demos")), "C:\\demos\\*"},
        {"search shows", shown, "C:\\demos\\"},
        {"search of a drive", Composed(ComposeFolderSearch(value, sizeof value, shown, sizeof shown, "C:")), "C:\\*"},
        {"drive shows", shown, "C:\\"},
        // 257 characters leave room for "\*"; 258 do not.
        {"search, 259", Composed(ComposeFolderSearch(value, sizeof value, shown, sizeof shown, (longPath + "f").c_str())),
         longPath + "f\\*"},
        {"search, 260", Composed(ComposeFolderSearch(value, sizeof value, shown, sizeof shown, (longPath + "fg").c_str())), ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.expected, row.result) << row.what;
}

TEST(UiText, FolderTargets)
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
        ASSERT_TRUE(BrowserFolderTarget(target, sizeof target, row.folder, row.entry)) << row.entry;
        EXPECT_STREQ(row.target, target) << row.folder << " " << row.entry;
    }
}

TEST(UiText, FolderTargetThatDoesNotFitIsRefused)
{
    char target[12];
    EXPECT_TRUE(BrowserFolderTarget(target, sizeof target, "C:\\demos\\", "[ab]"));
    EXPECT_STREQ("C:\\demos\\ab", target);
    EXPECT_FALSE(BrowserFolderTarget(target, sizeof target, "C:\\demos\\", "[abc]"));
    EXPECT_FALSE(BrowserFolderTarget(target, sizeof target, "C:\\demos\\maps\\", "[..]"));
    EXPECT_FALSE(BrowserFolderTarget(target, sizeof target, "C:\\demos\\ab\\", "[x]"));
}
