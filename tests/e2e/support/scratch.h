#pragma once
// Scratch folders, files and registry values for the end-to-end tests, made
// and read from the driver's side of the same Wine prefix.

#include <windows.h>

#include <string>
#include <vector>

#include "tools/sample_demo.h"

// A new empty folder under the temp folder, named after the tag and unique in
// this run; its long form, no trailing backslash. Empty when it failed.
std::string MakeScratchFolder(const char* tag);

// folder + "\" + name.
std::string JoinPath(const std::string& folder, const std::string& name);

// Creates the folder and every missing parent; false when it failed.
bool MakeFolders(const std::string& path);

// Copies flickbox.exe from the bin folder into the folder and returns the
// copy's path (empty when it failed), so the program's own folder is one the
// test controls.
std::string InstallFlickboxCopy(const std::string& folder);

// Copies the stand-in game from the bin folder to the path (hl.exe, cstrike.exe).
bool InstallStandinGame(const std::string& path);

bool WriteDemo(const std::string& path, const SampleDemoSpec& spec);
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes);
bool WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes);
bool FileExists(const std::string& path);

// A stand-in map preview: a 24-bit BMP of sandy ground crossed by a grid of
// walls, so a screenshot shows a picture and a test can tell where it lies.
static const COLORREF MAP_PREVIEW_GROUND = RGB(196, 170, 120);
static const COLORREF MAP_PREVIEW_WALL = RGB(92, 74, 50);
COLORREF MapPreviewColourAt(int x, int y);
bool WriteMapPreviewBitmap(const std::string& path, int width, int height);

// The 8.3 form of an existing path; empty when the system has none.
std::string ShortPathOf(const std::string& path);

// A REG_SZ default or named value; `found` false when it is missing.
std::string ReadRegistryText(HKEY root, const char* key, const char* value, bool* found);
bool WriteRegistryText(HKEY root, const char* key, const char* value, const std::string& text);
bool ReadRegistryNumber(HKEY root, const char* key, const char* value, DWORD* number);
bool WriteRegistryNumber(HKEY root, const char* key, const char* value, DWORD number);

// Deletes the key and everything under it; true when it is gone.
bool DeleteRegistryTree(HKEY root, const char* key);

// The system's text for an error code, as FormatMessageA gives it (usually
// ending in a line break), the text a "message: system text" box shows.
std::string SystemText(DWORD code);

// The items in a fixed order, for comparing lists whose order is the list
// control's own.
std::vector<std::string> Sorted(std::vector<std::string> items);
