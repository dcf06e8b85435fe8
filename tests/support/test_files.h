#pragma once
// What the Win32 tests, the end-to-end driver and the stand-in game share:
// scratch folders, whole files, file fingerprints, the system's error texts
// and the registry keys the programs use (bitmap files: tools/bitmap_file.h).

#include <windows.h>

#include <string>
#include <vector>

// Under HKEY_CURRENT_USER: the program's saved settings and the games' own.
// Written out here rather than taken from the product, so a wrong key there
// fails the tests.
static const char SETTINGS_KEY[] = "Software\\Brakwood\\Flickbox\\Settings";
static const char HALF_LIFE_KEY[] = "Software\\Valve\\Half-Life\\Settings";
static const char COUNTER_STRIKE_KEY[] = "Software\\Valve\\CounterStrike\\Settings";

// A new empty folder "flickbox-<name>-<process>-<n>" under the temporary
// folder, unique in this run; its long form, no trailing backslash. Empty
// when it could not be made.
std::string MakeScratchFolder(const std::string& name);

// A fresh, empty folder at path, its parents made and anything an earlier run
// left there removed first.
std::string MakeFreshFolder(const std::string& path);

// Creates the folder and every missing parent; false when it is not a folder.
bool MakeFolders(const std::string& path);

// Removes the folder and all it holds, read-only files included.
void RemoveTree(const std::string& path);

// folder + "\" + name.
std::string JoinPath(const std::string& folder, const std::string& name);

// Reads the whole file, even one another handle holds open for writing;
// false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string* bytes);
// The whole file: empty, or "<missing>" for the text, when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);

// Writes the whole file, making its folders and writing over a read-only one;
// false when not written.
bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// Whether anything, file or folder, is at path.
bool FileExists(const std::string& path);
// Gives the file the read-only attribute (and only that).
void SetReadOnly(const std::string& path);

// "size hash": the byte count and the 32-bit FNV-1a hash of the bytes, in
// hex; the stand-in game reports the staged demo this way.
std::string Fingerprint(const std::string& bytes);
// The same of a file; "none" when it cannot be read.
std::string FileFingerprint(const std::string& path);

// The system's text for an error code, as ReportSystemError fetches it
// (usually ending in a line break; empty when the system has none).
std::string SystemErrorText(DWORD error);

// "message: system text", as ReportSystemError shows it for the error code.
std::string ErrorBoxText(const std::string& message, DWORD error);
