#pragma once
// Programs, demos, previews and registry values for the end-to-end tests, made
// and read from the driver's side of the same Wine prefix (scratch folders and
// whole files: tests/support/test_files.h).

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"
#include "tools/sample_demo.h"

// Copies flickbox.exe from the bin folder into the folder and returns the
// copy's path (empty when it failed), so the program's own folder is one the
// test controls.
std::string InstallFlickboxCopy(const std::string& folder);

// Copies the stand-in game from the bin folder to the path (hl.exe, cstrike.exe).
bool InstallStandinGame(const std::string& path);

// A sample demo's layout: protocol, map, resolution (0 x 0: no record) and players.
SampleDemoSpec DemoSpec(int networkProtocol, const char* map, unsigned width, unsigned height,
                        const std::vector<std::string>& players);
bool WriteDemo(const std::string& path, const SampleDemoSpec& spec);

// Opens the existing file for reading and writing as another program would,
// sharing it only as `share` allows; INVALID_HANDLE_VALUE when it failed.
HANDLE HoldOpenForWriting(const std::string& path, DWORD share = FILE_SHARE_READ);

// A stand-in map preview: a 24-bit BMP of sandy ground crossed by a grid of
// walls, so a screenshot shows a picture and a test can tell where it lies.
COLORREF MapPreviewColourAt(int x, int y);
bool WriteMapPreviewBitmap(const std::string& path, int width, int height);

// The 8.3 form of an existing path; empty when the system has none.
std::string ShortPathOf(const std::string& path);

// The items in a fixed order, for comparing lists whose order is the list
// control's own.
std::vector<std::string> Sorted(std::vector<std::string> items);
