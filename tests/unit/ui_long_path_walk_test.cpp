#include <gtest/gtest.h>

#include <map>
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

std::string Walk(FakeDisk& disk, const char* shortPath, size_t size = PATH_BUFFER_SIZE)
{
    std::vector<char> dest(size + 1, '#');
    bool fits = WalkLongPath(shortPath, dest.data(), size, LookUp, &disk);
    EXPECT_EQ('#', dest[size]) << "wrote past the capacity";
    std::string result = dest.data();
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
    EXPECT_FALSE(WalkLongPath("C:\\X", none, 0, LookUp, &disk));
    EXPECT_EQ('#', none[0]);
}

TEST(UiLongPathWalk, PrefixBeyondThePathLimitIsNotLookedUp)
{
    FakeDisk disk;
    std::string folder(300, 'a');
    std::string shortPath = "C:\\" + folder + "\\B";
    std::vector<char> dest(400);
    ASSERT_TRUE(WalkLongPath(shortPath.c_str(), dest.data(), dest.size(), LookUp, &disk));
    EXPECT_EQ(shortPath, dest.data());
    EXPECT_TRUE(disk.lookedUp.empty());
}
