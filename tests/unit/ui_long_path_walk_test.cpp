#include <gtest/gtest.h>

#include <string.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "shared/text.h"
#include "ui/long_path_walk.h"

namespace {

// Stored long names by the path that reaches them, as a folder search finds them.
struct FakeDisk {
    std::map<std::string, std::string> names;
    std::vector<std::string> lookedUp;
};

bool LookUp(const char* path, char* longName, size_t size, void* context)
{
    FakeDisk* disk = static_cast<FakeDisk*>(context);
    disk->lookedUp.push_back(path);
    auto found = disk->names.find(path);
    if (found == disk->names.end())
        return false;
    return CopyText(longName, size, found->second.c_str());
}

FakeDisk StandardDisk()
{
    FakeDisk disk;
    disk.names["C:\\PROGRA~1"] = "Program Files";
    disk.names["C:\\PROGRA~1\\X.DEM"] = "x.dem";
    disk.names["C:\\DEMOS"] = "Demos";
    disk.names["c:\\DEMOS"] = "Demos";
    disk.names["DEMOS"] = "Demos";
    disk.names["C:\\DEMOS\\MAPS"] = "maps";
    disk.names["\\\\server\\share\\LONGNA~1.DEM"] = "long name.dem";
    return disk;
}

// The destination has exactly the size given, so a write past it is a fault
// the sanitizers see.
std::string Walk(FakeDisk& disk, const char* shortPath, size_t size = PATH_BUFFER_SIZE)
{
    std::unique_ptr<char[]> dest(new char[size]);
    bool fits = WalkLongPath(dest.get(), size, shortPath, LookUp, &disk);
    EXPECT_NE(nullptr, memchr(dest.get(), '\0', size)) << "left unterminated";
    std::string result = dest.get();
    if (!fits) {
        EXPECT_EQ("", result);
    }
    return result;
}

}  // namespace

TEST(UiLongPathWalk, ComponentsTakeTheirStoredNames)
{
    struct Row {
        const char* shortPath;
        const char* longPath;
    } rows[] = {
        {"C:\\PROGRA~1\\X.DEM", "C:\\Program Files\\x.dem"},
        // The drive keeps the case it was given in.
        {"c:\\DEMOS", "c:\\Demos"},
        {"C:\\DEMOS\\MISSING\\A.DEM", "C:\\Demos\\MISSING\\A.DEM"},
        {"C:\\DEMOS\\", "C:\\Demos"},
        {"C:\\DEMOS\\MAPS", "C:\\Demos\\maps"},
        {"C:", "C:"},
        {"C:\\", "C:"},
        {"\\\\server\\share\\LONGNA~1.DEM", "\\\\server\\share\\long name.dem"},
        {"\\\\server\\share\\NOPE.DEM", "\\\\server\\share\\NOPE.DEM"},
        // A doubled backslash keeps both and looks nothing up for the empty part.
        {"C:\\DEMOS\\\\MAPS", "C:\\Demos\\\\MAPS"},
        // A colon further on names no drive: its backslash stays.
        {"C:\\DEMOS\\a:b", "C:\\Demos\\a:b"},
        // A relative path stays relative.
        {"DEMOS\\MAPS", "Demos\\MAPS"},
        {"\\DEMOS", "\\DEMOS"},
        {"", ""},
    };
    for (const Row& row : rows) {
        FakeDisk disk = StandardDisk();
        EXPECT_EQ(row.longPath, Walk(disk, row.shortPath)) << row.shortPath;
    }
}

// A one-letter component is a name like any other; an empty one (a leading,
// doubled or final backslash) is never looked up.
TEST(UiLongPathWalk, OneLetterComponentsAreLookedUpAndEmptyOnesAreNot)
{
    struct Row {
        const char* shortPath;
        const char* longPath;
        std::vector<std::string> lookedUp;
    } rows[] = {
        {"C:\\D\\M", "C:\\Demos\\maps", {"C:\\D", "C:\\D\\M"}},
        {"X", "Xtra", {"X"}},
        {"C:\\D\\", "C:\\Demos", {"C:\\D"}},
        {"C:\\D\\\\M", "C:\\Demos\\\\M", {"C:\\D", "C:\\D\\\\M"}},
        {"\\\\D", "\\\\D", {"\\\\D"}},
        {"\\", "", {}},
        // A wildcard would find whatever entry matches first: from there on
        // nothing is looked up.
        {"C:\\D\\*.dem", "C:\\Demos\\*.dem", {"C:\\D"}},
        {"C:\\D?\\M", "C:\\D?\\M", {}},
    };
    for (const Row& row : rows) {
        FakeDisk disk;
        disk.names["C:\\D"] = "Demos";
        disk.names["C:\\D\\M"] = "maps";
        disk.names["X"] = "Xtra";
        EXPECT_EQ(row.longPath, Walk(disk, row.shortPath)) << row.shortPath;
        EXPECT_EQ(row.lookedUp, disk.lookedUp) << row.shortPath;
    }
}

TEST(UiLongPathWalk, ResultThatDoesNotFitLeavesTheDestinationEmpty)
{
    FakeDisk disk = StandardDisk();
    // "C:\Program Files\x.dem" is 22 characters.
    EXPECT_EQ("C:\\Program Files\\x.dem", Walk(disk, "C:\\PROGRA~1\\X.DEM", 23));
    EXPECT_EQ("", Walk(disk, "C:\\PROGRA~1\\X.DEM", 22));
    EXPECT_EQ("", Walk(disk, "C:\\PROGRA~1\\X.DEM", 12));
    EXPECT_EQ("", Walk(disk, "C:\\PROGRA~1\\X.DEM", 1));
    // The long form can outgrow a short path that itself fits.
    EXPECT_EQ("", Walk(disk, "C:\\PROGRA~1", 12));

    char none[1] = {'#'};
    EXPECT_FALSE(WalkLongPath(none, 0, "C:\\X", LookUp, &disk));
    EXPECT_EQ('#', none[0]);
}

TEST(UiLongPathWalk, PrefixBeyondThePathLimitIsNotLookedUp)
{
    FakeDisk disk;
    std::string folder(300, 'a');
    std::string shortPath = "C:\\" + folder + "\\B";
    std::vector<char> dest(400);
    ASSERT_TRUE(WalkLongPath(dest.data(), dest.size(), shortPath.c_str(), LookUp, &disk));
    EXPECT_EQ(shortPath, dest.data());
    EXPECT_TRUE(disk.lookedUp.empty());
}
