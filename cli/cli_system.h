#pragma once
// The system calls under the console tool's file edge, one platform file each
// (cli_files_posix.cpp, cli_files_win.cpp). Which calls are made, in what
// order, with which checks and in which words is cli_files.cpp's alone. A
// failed call gives the system's error number: errno, or GetLastError().

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "cli/cli_files.h"

typedef intptr_t SystemFile;     // a file descriptor or a HANDLE

// What the system says of a path, following links (but isLink).
struct PathFacts {
    bool isFolder;
    bool isRegular;              // a plain file, not a device or a pipe
    bool isLink;                 // the name itself is a symbolic link
    bool readOnly;               // this user may not write it
    uint64_t size;
    uint32_t links;              // the file's names (hard links)
    FileId id;
    uint32_t mode, owner, group; // POSIX: kept on a replacement
};

struct FolderEntry {
    std::string name;
    bool isFolder;               // following links
};

bool DescribePath(const char* path, PathFacts* facts, int* error);

// The full path of the file a symbolic link leads to.
bool ResolveLink(const char* path, std::string* target, int* error);

// Every name in the folder, "." and ".." too, in the system's order.
bool ListFolderEntries(const char* folder, std::vector<FolderEntry>* entries, int* error);

// Opens the file for reading; *size is the open file's size.
bool OpenToRead(const char* path, SystemFile* file, uint64_t* size, int* error);
bool ReadSome(SystemFile file, unsigned char* into, size_t want, size_t* got, int* error);

// Creates a file that did not exist. Private (to its owner) until
// KeepOwnerAndMode gives it those of the file it will replace; otherwise as
// new files are made.
bool CreateNewFile(const char* path, bool isPrivate, SystemFile* file, int* error);
bool NameTaken(int error);       // the error of a name that already exists

// Writes part of the bytes (*wrote of them); no progress is a failure.
bool WriteSome(SystemFile file, const unsigned char* bytes, size_t size, size_t* wrote, int* error);
bool KeepOwnerAndMode(SystemFile file, const PathFacts& original, int* error);
bool FlushFile(SystemFile file, int* error);
bool CloseFile(SystemFile file, int* error);

// Renames from over to, in one step, and flushes the folder's entries.
bool RenameOver(const char* from, const char* to, int* error);
// Gives the file at from the name to as well, failing with NameTaken when to
// exists (from may keep its name; the caller removes it with RemoveFile).
bool RenameToNew(const char* from, const char* to, int* error);

// The system's words for an error, as far as the buffer reaches.
void SystemErrorText(int error, char* text, size_t size);
unsigned long ProcessNumber();
