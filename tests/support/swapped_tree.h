#pragma once
// A game tree as a swap left it half done, for the revert tool's Win32 and
// end-to-end tests: files tagged "game <file>" (the game's own) or
// "pack <file>" (the compatibility pack's).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_files.h"

// Each game's files, relative to its folder, in the order a revert restores
// them: the engine set, then the mod files of cstrike.
static const std::vector<std::string> halfLifeFiles = {
    "hl.dat", "hl.exe", "hw.dll", "sw.dll", "valve\\cl_dlls\\client.dll", "valve\\dlls\\hl.dll",
    "cstrike\\cl_dlls\\client.dll", "cstrike\\dlls\\mp.dll",
};
static const std::vector<std::string> counterStrikeFiles = {
    "cstrike.dat", "cstrike.exe", "hw.dll", "sw.dll", "valve\\cl_dlls\\client.dll",
    "cstrike\\cl_dlls\\client.dll", "cstrike\\dlls\\mp.dll",
};

// Every file has its pristine copy and a play backup of the pack (an install
// after a failed start), and the first `restored` live files are already the
// game's own again.
inline void MakeSwappedTree(const std::string& folder, const std::vector<std::string>& files, size_t restored)
{
    for (size_t i = 0; i < files.size(); i++) {
        std::string path = JoinPath(folder, files[i]);
        ASSERT_TRUE(WriteFileBytes(path + ".org", "game " + files[i])) << path;
        ASSERT_TRUE(WriteFileBytes(path + ".bak", "pack " + files[i])) << path;
        ASSERT_TRUE(WriteFileBytes(path, (i < restored ? "game " : "pack ") + files[i])) << path;
    }
}

// Every file is the game's own again, and its copies are as they were.
inline void ExpectGameFiles(const std::string& folder, const std::vector<std::string>& files)
{
    for (const std::string& file : files) {
        std::string path = JoinPath(folder, file);
        EXPECT_EQ("game " + file, ReadFileText(path)) << path;
        EXPECT_EQ("game " + file, ReadFileText(path + ".org")) << path;
        EXPECT_EQ("pack " + file, ReadFileText(path + ".bak")) << path;
    }
}
