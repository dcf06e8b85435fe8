#pragma once
// What the report command asks of the system beyond the console tool's file
// edge: a file's date, whether a path is a folder, making the output folder.
// report_files_posix.cpp and report_files_win.cpp implement it.

#include <stddef.h>

// The file's last change in local time as "YYYY-MM-DD HH:MM"; "" when unknown.
void FileDateText(const char* path, char* dest, size_t size);

bool IsFolder(const char* path);

// Makes the folder when it is not there (its parent must be); false with the
// reason when it cannot be made or the path is not a folder.
bool MakeFolder(const char* path, char* problem, size_t problemSize);
