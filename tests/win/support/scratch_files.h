#pragma once
// Scratch folders and whole files for the Win32 tests.

#include <string>
#include <vector>

// A fresh, empty folder at path, its parents made and anything an earlier run
// left there removed first.
std::string MakeFreshFolder(const std::string& path);

// A fresh, empty folder "flickbox-<name>" under the temporary folder.
std::string MakeScratchFolder(const std::string& name);

// Removes the folder and all it holds, read-only files included.
void RemoveTree(const std::string& path);

// Writes the whole file, making its folders and writing over a read-only one;
// false when not written.
bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// The whole file: empty, or "<missing>" for the text, when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);

// Whether anything, file or folder, is at path.
bool FileExists(const std::string& path);
// Gives the file the read-only attribute (and only that).
void SetReadOnly(const std::string& path);
