#include "cli/cli_files.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <utility>

#include "cli/cli_faults.h"
#include "cli/cli_paths.h"
#include "shared/text.h"

// Messages, names and texts here are kept as far as their buffers reach: a
// cut one still reads, so the bounded copies marked (void) do not fail on it.

static const uint64_t LARGEST_SIZE = 0xFFFFFFFFull;  // 4 GiB less one byte

static void SetProblem(char* problem, size_t size, const char* what, int errorNumber)
{
    if (what)
        (void)FormatText(problem, size, "%s: %s", what, strerror(errorNumber));
    else
        (void)CopyText(problem, size, strerror(errorNumber));
}

static std::string JoinPath(const std::string& folder, const char* name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

typedef std::set<std::pair<dev_t, ino_t>> FolderSet;

static void ListFolder(const std::string& folder, bool recursive, FolderSet* seen,
                       std::vector<BatchPath>* out)
{
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !seen->insert(std::make_pair(info.st_dev, info.st_ino)).second)
        return;  // a folder reached again through a link
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        out->push_back(BatchPath{folder, strerror(errno)});
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            names.push_back(entry->d_name);
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string path = JoinPath(folder, name.c_str());
        bool isFolder = stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        if (isFolder && recursive)
            ListFolder(path, recursive, seen, out);
        else if (isFolder && HasDemoEnding(name.c_str()))
            out->push_back(BatchPath{path, "Is a directory"});
        else if (HasDemoEnding(name.c_str()))
            out->push_back(BatchPath{path, ""});
    }
}

void ExpandPaths(const std::vector<std::string>& given, bool recursive, std::vector<BatchPath>* out)
{
    out->clear();
    for (const std::string& path : given) {
        struct stat info;
        if (stat(path.c_str(), &info) != 0) {
            out->push_back(BatchPath{path, strerror(errno)});
        } else if (S_ISDIR(info.st_mode)) {
            FolderSet seen;
            ListFolder(path, recursive, &seen, out);
        } else {
            out->push_back(BatchPath{path, ""});
        }
    }
}

bool ReadWholeFile(const char* path, std::vector<unsigned char>* bytes, char* problem, size_t problemSize)
{
    // Non-blocking, so a named pipe given as a demo cannot stall the batch;
    // a regular file reads the same either way.
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        SetProblem(problem, problemSize, NULL, errno);
        return false;
    }
    bool ok = false;
    struct stat info;
    if (fstat(fd, &info) != 0) {
        SetProblem(problem, problemSize, NULL, errno);
    } else if (S_ISDIR(info.st_mode)) {
        SetProblem(problem, problemSize, NULL, EISDIR);
    } else if (!S_ISREG(info.st_mode)) {
        (void)CopyText(problem, problemSize, "Not a regular file");
    } else if (info.st_size == 0) {
        (void)CopyText(problem, problemSize, "Empty file");
    } else if ((uint64_t)info.st_size > LARGEST_SIZE) {
        (void)CopyText(problem, problemSize, "File of 4 GiB or more");
    } else {
        size_t size = (size_t)info.st_size;
        bytes->resize(size);
        size_t done = 0;
        while (done < size) {
            ssize_t got = read(fd, bytes->data() + done, size - done);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += (size_t)got;
        }
        ok = done == size;
        if (!ok)
            (void)CopyText(problem, problemSize, "The file could not be read whole");
    }
    close(fd);
    return ok;
}

bool CheckWritable(const char* path, char* problem, size_t problemSize)
{
    struct stat info;
    if (stat(path, &info) != 0) {
        SetProblem(problem, problemSize, NULL, errno);
        return false;
    }
    // Root may write anything, but a file nobody may write is meant to stay.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path, W_OK) != 0) {
        (void)CopyText(problem, problemSize, "Read-only file");
        return false;
    }
    return true;
}

bool PathExists(const char* path)
{
    struct stat info;
    return lstat(path, &info) == 0;
}

static std::string FolderOf(const char* path)
{
    const char* slash = strrchr(path, '/');
    if (!slash)
        return ".";
    if (slash == path)
        return "/";
    return std::string(path, (size_t)(slash - path));
}

// Writes the bytes to a new temporary file beside path, flushed to disk and
// closed; the name is in temp. On failure nothing is left behind.
static bool WriteTemporary(const char* path, const unsigned char* bytes, size_t size, mode_t mode,
                           std::string* temp, char* problem, size_t problemSize)
{
    const char* slash = strrchr(path, '/');
    std::string folder = FolderOf(path);
    *temp = folder + "/." + (slash ? slash + 1 : path) + ".flickbox-XXXXXX";
    int fault;
    int fd = InjectedFault(FAULT_CREATE, &fault) ? (errno = fault, -1) : mkstemp(&(*temp)[0]);
    if (fd < 0) {
        SetProblem(problem, problemSize, "Cannot create a temporary file beside it", errno);
        return false;
    }
    const char* failedStep = NULL;
    int error = 0;
    size_t done = 0;
    while (!failedStep && done < size) {
        ssize_t wrote = InjectedFault(FAULT_WRITE, &fault) ? (errno = fault, -1)
                                                           : write(fd, bytes + done, size - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            error = wrote < 0 ? errno : ENOSPC;
            failedStep = "Cannot write the temporary file";
        } else {
            done += (size_t)wrote;
        }
    }
    if (!failedStep && fchmod(fd, mode & 07777) != 0) {
        error = errno;
        failedStep = "Cannot set the temporary file's permissions";
    }
    if (!failedStep && (InjectedFault(FAULT_FLUSH, &fault) ? (errno = fault, -1) : fsync(fd)) != 0) {
        error = errno;
        failedStep = "Cannot flush the temporary file to disk";
    }
    if (close(fd) != 0 && !failedStep) {
        error = errno;
        failedStep = "Cannot close the temporary file";
    }
    if (failedStep) {
        unlink(temp->c_str());
        SetProblem(problem, problemSize, failedStep, error);
        return false;
    }
    return true;
}

// Flushes the folder's entry list, so the new name survives a power cut.
static void FlushFolder(const char* path)
{
    int fd = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool ReplaceFileSafely(const char* path, const unsigned char* bytes, size_t size, char* problem,
                       size_t problemSize)
{
    struct stat info;
    if (stat(path, &info) != 0) {
        SetProblem(problem, problemSize, NULL, errno);
        return false;
    }
    std::string temp;
    if (!WriteTemporary(path, bytes, size, info.st_mode, &temp, problem, problemSize))
        return false;
    // Keep the owner too where we may (root changing a player's demo).
    if (chown(temp.c_str(), info.st_uid, info.st_gid) != 0) {
    }
    int fault;
    if ((InjectedFault(FAULT_RENAME, &fault) ? (errno = fault, -1) : rename(temp.c_str(), path)) != 0) {
        SetProblem(problem, problemSize, "Cannot put the new file in place", errno);
        unlink(temp.c_str());
        return false;
    }
    FlushFolder(path);
    return true;
}

bool CreateFileSafely(const char* path, const unsigned char* bytes, size_t size, bool* existed,
                      char* problem, size_t problemSize)
{
    *existed = false;
    if (PathExists(path)) {
        *existed = true;
        SetProblem(problem, problemSize, path, EEXIST);
        return false;
    }
    mode_t mask = umask(0);
    umask(mask);
    std::string temp;
    if (!WriteTemporary(path, bytes, size, 0666 & ~mask, &temp, problem, problemSize))
        return false;
    // A link fails when the name exists: no file is ever overwritten here.
    int fault;
    int linked = InjectedFault(FAULT_RENAME, &fault) ? (errno = fault, -1) : link(temp.c_str(), path);
    int error = errno;
    if (linked != 0 && (error == EPERM || error == ENOTSUP || error == EOPNOTSUPP) && !PathExists(path)) {
        // File systems without hard links: a plain rename, checked just above.
        linked = rename(temp.c_str(), path);
        error = errno;
    }
    unlink(temp.c_str());
    if (linked != 0) {
        *existed = error == EEXIST;
        SetProblem(problem, problemSize, *existed ? path : "Cannot put the new file in place", error);
        return false;
    }
    FlushFolder(path);
    return true;
}

bool ErrorStreamIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

void RemoveFile(const char* path)
{
    unlink(path);
}
