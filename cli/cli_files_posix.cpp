// The file edge's system calls on Linux and other POSIX systems.
#include "cli/cli_system.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

#include "shared/text.h"

static void Describe(const struct stat& info, PathFacts* facts)
{
    facts->isFolder = S_ISDIR(info.st_mode);
    facts->isRegular = S_ISREG(info.st_mode);
    facts->size = (uint64_t)info.st_size;
    facts->links = (uint32_t)info.st_nlink;
    facts->id = FileId{(uint64_t)info.st_dev, (uint64_t)info.st_ino};
    facts->mode = (uint32_t)info.st_mode & 07777;
    facts->owner = (uint32_t)info.st_uid;
    facts->group = (uint32_t)info.st_gid;
}

bool DescribePath(const char* path, PathFacts* facts, int* error)
{
    struct stat info;
    if (stat(path, &info) != 0) {
        *error = errno;
        return false;
    }
    Describe(info, facts);
    // Root may write anything, but a file nobody may write is meant to stay.
    facts->readOnly = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path, W_OK) != 0;
    facts->isLink = lstat(path, &info) == 0 && S_ISLNK(info.st_mode);
    return true;
}

bool ResolveLink(const char* path, std::string* target, int* error)
{
    char* resolved = realpath(path, NULL);
    if (!resolved) {
        *error = errno;
        return false;
    }
    *target = resolved;
    free(resolved);
    return true;
}

bool ListFolderEntries(const char* folder, std::vector<FolderEntry>* entries, int* error)
{
    DIR* dir = opendir(folder);
    if (!dir) {
        *error = errno;
        return false;
    }
    std::string prefix = folder;
    if (prefix.empty() || prefix.back() != '/')
        prefix += '/';
    while (dirent* entry = readdir(dir)) {
        struct stat info;
        bool isFolder = stat((prefix + entry->d_name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        entries->push_back(FolderEntry{entry->d_name, isFolder});
    }
    closedir(dir);
    return true;
}

static bool Failed(int* error)
{
    *error = errno;
    return false;
}

bool OpenToRead(const char* path, SystemFile* file, uint64_t* size, int* error)
{
    // Non-blocking, so a named pipe put in the demo's place cannot stall the
    // batch; a regular file reads the same either way.
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) {
        *error = errno;
        if (fd >= 0)
            close(fd);
        return false;
    }
    *file = fd;
    *size = (uint64_t)info.st_size;
    return true;
}

bool ReadSome(SystemFile file, unsigned char* into, size_t want, size_t* got, int* error)
{
    ssize_t count;
    do
        count = read((int)file, into, want);
    while (count < 0 && errno == EINTR);
    if (count < 0)
        return Failed(error);
    *got = (size_t)count;
    return true;
}

bool CreateNewFile(const char* path, bool isPrivate, SystemFile* file, int* error)
{
    // O_EXCL also refuses a link planted under the name.
    int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, isPrivate ? 0600 : 0666);
    if (fd < 0)
        return Failed(error);
    *file = fd;
    return true;
}

bool NameTaken(int error)
{
    return error == EEXIST;
}

bool WriteSome(SystemFile file, const unsigned char* bytes, size_t size, size_t* wrote, int* error)
{
    ssize_t count;
    do
        count = write((int)file, bytes, size);
    while (count < 0 && errno == EINTR);
    if (count < 0)
        return Failed(error);
    if (count == 0) {
        *error = ENOSPC;
        return false;
    }
    *wrote = (size_t)count;
    return true;
}

bool KeepOwnerAndMode(SystemFile file, const PathFacts& original, int* error)
{
    // The owner where we may (root changing a player's demo), then the mode,
    // which a change of owner may have cut.
    if (fchown((int)file, original.owner, original.group) != 0) {
    }
    return fchmod((int)file, original.mode) == 0 || Failed(error);
}

bool FlushFile(SystemFile file, int* error)
{
    return fsync((int)file) == 0 || Failed(error);
}

bool CloseFile(SystemFile file, int* error)
{
    return close((int)file) == 0 || Failed(error);
}

// Flushes the folder's entry list, so the new name survives a power cut.
static void FlushFolderOf(const char* path)
{
    const char* slash = strrchr(path, '/');
    std::string folder = !slash ? "." : slash == path ? "/" : std::string(path, (size_t)(slash - path));
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool RenameOver(const char* from, const char* to, int* error)
{
    if (rename(from, to) != 0)
        return Failed(error);
    FlushFolderOf(to);
    return true;
}

bool RenameToNew(const char* from, const char* to, int* error)
{
    // A link fails when the name exists, where a rename would replace it.
    int result = link(from, to);
    *error = errno;
    if (result != 0 && (*error == EPERM || *error == ENOTSUP || *error == EOPNOTSUPP) && !PathExists(to)) {
        // File systems without hard links: a plain rename, checked just above.
        result = rename(from, to);
        *error = errno;
    }
    if (result != 0)
        return false;
    FlushFolderOf(to);
    return true;
}

void RemoveFile(const char* path)
{
    unlink(path);
}

bool PathExists(const char* path)
{
    struct stat info;
    return lstat(path, &info) == 0;
}

void SystemErrorText(int error, char* text, size_t size)
{
    (void)CopyText(text, size, strerror(error));
}

unsigned long ProcessNumber()
{
    return (unsigned long)getpid();
}

bool ErrorStreamIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

// A lock-free atomic is safe to set from a signal handler and to read from
// every thread.
static std::atomic<bool> interrupted;
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

static void NoteInterrupt(int)
{
    interrupted = true;
}

void WatchInterrupts()
{
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signalNumber, &action, NULL);
}

bool InterruptRequested()
{
    return interrupted;
}
