#include "tests/e2e/support/scratch.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "tests/e2e/support/driver.h"
#include "tools/bitmap_file.h"

std::string InstallFlickboxCopy(const std::string& folder)
{
    std::string source = JoinPath(DriverBinFolder(), "flickbox.exe");
    std::string target = JoinPath(folder, "flickbox.exe");
    if (!CopyFileA(source.c_str(), target.c_str(), FALSE))
        return std::string();
    return target;
}

bool InstallStandinGame(const std::string& path)
{
    std::string source = JoinPath(DriverBinFolder(), "standin_game.exe");
    return CopyFileA(source.c_str(), path.c_str(), FALSE) != 0;
}

SampleDemoSpec DemoSpec(int networkProtocol, const char* map, unsigned width, unsigned height,
                        const std::vector<std::string>& players)
{
    SampleDemoSpec spec;
    spec.networkProtocol = networkProtocol;
    spec.mapName = map;
    spec.width = width;
    spec.height = height;
    spec.playerNames = players;
    return spec;
}

bool WriteDemo(const std::string& path, const SampleDemoSpec& spec)
{
    return WriteSampleDemo(path.c_str(), spec);
}

HANDLE HoldOpenForWriting(const std::string& path, DWORD share)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       NULL);
}

COLORREF MapPreviewColourAt(int x, int y)
{
    unsigned long rgb = MapPreviewRgbAt(x, y);
    return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

bool WriteMapPreviewBitmap(const std::string& path, int width, int height)
{
    return WriteFileBytes(path, BitmapFileOf(width, height, MapPreviewRgbAt));
}

std::string ShortPathOf(const std::string& path)
{
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    return std::string(buffer);
}

std::vector<std::string> Sorted(std::vector<std::string> items)
{
    std::sort(items.begin(), items.end());
    return items;
}
