// Every program carries the release's version resource, as Explorer's
// Properties read it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "flickbox_version.h"

static std::string VersionValue(std::vector<char>& info, const char* name)
{
    std::string key = std::string("\\StringFileInfo\\040904b0\\") + name;
    char* value = NULL;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), key.c_str(), (void**)&value, &length) || !value)
        return "(none)";
    return std::string(value, length && value[length - 1] == '\0' ? length - 1 : length);
}

TEST(VersionResource, EveryProgramCarriesTheRelease)
{
    const struct {
        const char* file;
        const char* description;
    } programs[] = {{"flickbox.exe", "Flickbox demo utility"},
                    {"flickbox-revert.exe", "Flickbox engine file restore"},
                    {"flickbox-cli.exe", "Flickbox demo tools for the console"}};
    const WORD numbers[4] = {FLICKBOX_VERSION_NUMBERS};
    for (const auto& program : programs) {
        std::string path = std::string(appState.programDir) + "\\" + program.file;
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        ASSERT_NE(0u, size) << path;
        std::vector<char> info(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data())) << path;

        EXPECT_EQ(FLICKBOX_VERSION_TEXT, VersionValue(info, "FileVersion")) << path;
        EXPECT_EQ(FLICKBOX_VERSION_TEXT, VersionValue(info, "ProductVersion")) << path;
        EXPECT_EQ("Flickbox", VersionValue(info, "ProductName")) << path;
        EXPECT_EQ(program.description, VersionValue(info, "FileDescription")) << path;
        EXPECT_EQ("Copyright (c) 2026 Brakwood. MIT licence.", VersionValue(info, "LegalCopyright"))
            << path;

        VS_FIXEDFILEINFO* fixed = NULL;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", (void**)&fixed, &length) && fixed) << path;
        EXPECT_EQ(MAKELONG(numbers[1], numbers[0]), fixed->dwFileVersionMS) << path;
        EXPECT_EQ(MAKELONG(numbers[3], numbers[2]), fixed->dwFileVersionLS) << path;
        EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS) << path;
    }
}
