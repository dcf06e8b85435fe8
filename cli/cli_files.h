#pragma once
// The console tool's file edge: list a folder's demos, read a file whole,
// replace or create a file safely, stop cleanly when interrupted, and the few
// console facts the output needs. Paths are UTF-8 on every platform.
// cli_files.cpp holds the policy; cli_files_posix.cpp and cli_files_win.cpp
// the system calls under it (cli_system.h) and what is marked below.

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

enum { FILE_PROBLEM_SIZE = 256 };

// One path to work on: a file to read, or a path that already failed (while
// listing) with the reason in problem.
struct BatchPath {
    std::string path;
    std::string problem;
};

// Files are taken as given; folders give their .dem files in any letter case,
// sorted by name, with -r those of subfolders too (a folder reached twice,
// through a link, is read once). A path that does not exist or cannot be
// listed is kept with its problem, in its place.
void ExpandPaths(const std::vector<std::string>& given, bool recursive, std::vector<BatchPath>* out);

// Reads the whole file into bytes (resized to its size; capacity reused).
// False with a one-line reason for a folder, a missing, empty or unreadable
// file, or one of 4 GiB or more.
bool ReadWholeFile(const char* path, std::vector<unsigned char>* bytes, char* problem, size_t problemSize);

// Which file a path names: the same volume and index, the same file.
struct FileId {
    uint64_t volume;
    uint64_t index;
};

// False when the path names nothing the system can describe.
bool ReadFileId(const char* path, FileId* id);

// False with the reason when the file may not be changed: it is read-only,
// or it has other names (hard links) that a replacement would split off.
bool CheckWritable(const char* path, char* problem, size_t problemSize);

// Replaces the file's contents, refusing it as CheckWritable does: the bytes
// go to a temporary file in the file's folder (for a symbolic link, the
// folder of the file it leads to, which is replaced and the link kept), are
// flushed to disk, and the temporary file then takes the file's place in one
// step. On any failure, an interrupt too, the file is as it was and the
// temporary file is gone.
bool ReplaceFileSafely(const char* path, const unsigned char* bytes, size_t size, char* problem,
                       size_t problemSize);

// Writes a new file the same way, refusing when the path already exists
// (*existed is then true).
bool CreateFileSafely(const char* path, const unsigned char* bytes, size_t size, bool* existed,
                      char* problem, size_t problemSize);

// Platform: the name exists, even as a link leading nowhere.
bool PathExists(const char* path);

#ifdef _WIN32
// Platform: UTF-16 from the system as UTF-8, and UTF-8 as the system's UTF-16
// ("" when it cannot be converted).
std::string Utf8FromWide(const wchar_t* text);
std::wstring WideFromUtf8(const char* text);
#endif

// Platform: standard error is a terminal (progress may be shown there).
bool ErrorStreamIsTerminal();

// Platform: removes a file this program made (a backup whose change then
// failed, a temporary file).
void RemoveFile(const char* path);

// Platform: from here on Ctrl-C, SIGTERM and SIGHUP (on Windows Ctrl-C,
// Ctrl-Break and closing the console) only ask the run to stop. The handler
// sets a flag and nothing else; the safe writes and reads look at it between
// steps and fail, removing what they made, so the clean-up runs in the
// threads that own the files and never inside a signal handler.
void WatchInterrupts();
bool InterruptRequested();
