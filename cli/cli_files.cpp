// The file edge's policy, the same on every platform: which system calls run
// in what order, the checks between them, every message and the clean-up.
// The calls themselves are in cli_files_posix.cpp and cli_files_win.cpp.
#include "cli/cli_files.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <utility>

#include "cli/cli_faults.h"
#include "cli/cli_paths.h"
#include "cli/cli_system.h"
#include "shared/text.h"

// Messages, names and texts here are kept as far as their buffers reach: a
// cut one still reads, so the bounded copies marked (void) do not fail on it.

static const uint64_t LARGEST_SIZE = 0xFFFFFFFFull;  // 4 GiB less one byte
static const size_t CHUNK = 4u << 20;  // an interrupt waits for one chunk at most
static const char INTERRUPTED[] = "Interrupted";

#ifdef _WIN32
static const char SEPARATORS[] = "\\/:";  // a drive's colon ends a folder too
#else
static const char SEPARATORS[] = "/";
#endif

static bool SetProblem(char* problem, size_t size, const char* what, int error)
{
    char text[FILE_PROBLEM_SIZE];
    SystemErrorText(error, text, sizeof text);
    if (what)
        (void)FormatText(problem, size, "%s: %s", what, text);
    else
        (void)CopyText(problem, size, text);
    return false;
}

static bool Refuse(char* problem, size_t size, const char* reason)
{
    (void)CopyText(problem, size, reason);
    return false;
}

// Where the file's name starts: after its folder and the separator.
static size_t NameStart(const std::string& path)
{
    size_t cut = path.find_last_of(SEPARATORS);
    return cut == std::string::npos ? 0 : cut + 1;
}

static std::string JoinPath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && strchr(SEPARATORS, folder.back()))
        return folder + name;
    return folder + SEPARATORS[0] + name;
}

static bool SameId(const FileId& a, const FileId& b)
{
    return a.volume == b.volume && a.index == b.index;
}

static void ListFolder(const std::string& folder, bool recursive, std::vector<FileId>* seen,
                       std::vector<BatchPath>* out)
{
    PathFacts facts;
    int error;
    if (DescribePath(folder.c_str(), &facts, &error)) {
        for (const FileId& id : *seen) {
            if (SameId(id, facts.id))
                return;  // a folder reached again through a link
        }
        seen->push_back(facts.id);
    }
    std::vector<FolderEntry> entries;
    if (!ListFolderEntries(folder.c_str(), &entries, &error)) {
        char problem[FILE_PROBLEM_SIZE];
        SetProblem(problem, sizeof problem, NULL, error);
        out->push_back(BatchPath{folder, problem});
        return;
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    for (const FolderEntry& entry : entries) {
        if (entry.name == "." || entry.name == "..")
            continue;
        std::string path = JoinPath(folder, entry.name);
        if (entry.isFolder && recursive)
            ListFolder(path, recursive, seen, out);
        else if (entry.isFolder && HasDemoEnding(entry.name.c_str()))
            out->push_back(BatchPath{path, "Is a directory"});
        else if (HasDemoEnding(entry.name.c_str()))
            out->push_back(BatchPath{path, ""});
    }
}

void ExpandPaths(const std::vector<std::string>& given, bool recursive, std::vector<BatchPath>* out)
{
    out->clear();
    for (const std::string& path : given) {
        PathFacts facts;
        int error;
        if (!DescribePath(path.c_str(), &facts, &error)) {
            char problem[FILE_PROBLEM_SIZE];
            SetProblem(problem, sizeof problem, NULL, error);
            out->push_back(BatchPath{path, problem});
        } else if (facts.isFolder) {
            std::vector<FileId> seen;
            ListFolder(path, recursive, &seen, out);
        } else {
            out->push_back(BatchPath{path, ""});
        }
    }
}

bool ReadFileId(const char* path, FileId* id)
{
    PathFacts facts;
    int error;
    if (!DescribePath(path, &facts, &error))
        return false;
    *id = facts.id;
    return true;
}

// A 32-bit process may lack the room for a large file; asking first keeps
// the vector from aborting the program.
static bool HaveRoomFor(const std::vector<unsigned char>& bytes, size_t size)
{
    if (size <= bytes.capacity())
        return true;
    void* probe = malloc(size);
    free(probe);
    return probe != NULL;
}

static bool ReadAll(SystemFile file, unsigned char* into, size_t size)
{
    size_t done = 0;
    while (done < size && !InterruptRequested()) {
        size_t got = 0;
        int error;
        if (!ReadSome(file, into + done, std::min(size - done, CHUNK), &got, &error) || got == 0)
            return false;
        done += got;
    }
    return done == size;
}

bool ReadWholeFile(const char* path, std::vector<unsigned char>* bytes, char* problem, size_t problemSize)
{
    PathFacts facts;
    int error;
    if (!DescribePath(path, &facts, &error))
        return SetProblem(problem, problemSize, NULL, error);
    if (facts.isFolder)
        return Refuse(problem, problemSize, "Is a directory");
    if (!facts.isRegular)
        return Refuse(problem, problemSize, "Not a regular file");
    SystemFile file;
    uint64_t size;
    if (!OpenToRead(path, &file, &size, &error))
        return SetProblem(problem, problemSize, NULL, error);
    const char* refusal = NULL;
    if (size == 0)
        refusal = "Empty file";
    else if (size > LARGEST_SIZE)
        refusal = "File of 4 GiB or more";
    else if (!HaveRoomFor(*bytes, (size_t)size))
        refusal = "Not enough memory to read the file";
    else {
        bytes->resize((size_t)size);
        if (!ReadAll(file, bytes->data(), (size_t)size))
            refusal = InterruptRequested() ? INTERRUPTED : "The file could not be read whole";
    }
    CloseFile(file, &error);
    return refusal ? Refuse(problem, problemSize, refusal) : true;
}

// Why the file must not be replaced, or NULL.
static const char* Refusal(const PathFacts& facts)
{
    if (facts.readOnly)
        return "Read-only file";
    if (facts.links > 1)
        return "The file has other names (hard links); it was not changed";
    return NULL;
}

bool CheckWritable(const char* path, char* problem, size_t problemSize)
{
    PathFacts facts;
    int error;
    if (!DescribePath(path, &facts, &error))
        return SetProblem(problem, problemSize, NULL, error);
    const char* refusal = Refusal(facts);
    return refusal ? Refuse(problem, problemSize, refusal) : true;
}

// The step may go ahead: the run was not interrupted (a test build may wait
// here for the interrupt first).
static bool GoOn(FaultPoint point, const char* path)
{
    InjectedPause(point, path);
    return !InterruptRequested();
}

static bool CreateTemporary(const std::string& path, bool isPrivate, std::string* temp, SystemFile* file,
                            int* error)
{
    static std::atomic<unsigned long> counter;
    size_t nameStart = NameStart(path);
    for (int attempt = 0; attempt < 100; attempt++) {
        char suffix[48];
        // Two numbers of at most 20 characters each: always fits.
        (void)FormatText(suffix, sizeof suffix, ".flickbox-%lu-%lu.tmp", ProcessNumber(), ++counter);
        *temp = path.substr(0, nameStart) + "." + path.substr(nameStart) + suffix;
        if (InjectedFault(FAULT_CREATE, error))
            return false;
        if (CreateNewFile(temp->c_str(), isPrivate, file, error))
            return true;
        if (!NameTaken(*error))
            return false;
    }
    return false;
}

// Writes the bytes to a new temporary file beside path, flushed to disk and
// closed, with the owner and mode of like where given; its name is in temp.
// On failure nothing is left behind.
static bool WriteTemporary(const std::string& path, const unsigned char* bytes, size_t size,
                           const PathFacts* like, std::string* temp, char* problem, size_t problemSize)
{
    SystemFile file;
    int error = 0;
    if (!GoOn(FAULT_CREATE, path.c_str()))
        return Refuse(problem, problemSize, INTERRUPTED);
    if (!CreateTemporary(path, like != NULL, temp, &file, &error))
        return SetProblem(problem, problemSize, "Cannot create a temporary file beside it", error);
    const char* failedStep = NULL;
    size_t done = 0;
    while (!failedStep && done < size) {
        size_t wrote = 0;
        if (!GoOn(FAULT_WRITE, path.c_str()))
            failedStep = INTERRUPTED;
        else if (InjectedFault(FAULT_WRITE, &error) ||
                 !WriteSome(file, bytes + done, std::min(size - done, CHUNK), &wrote, &error))
            failedStep = "Cannot write the temporary file";
        done += wrote;
    }
    if (!failedStep && like && !KeepOwnerAndMode(file, *like, &error))
        failedStep = "Cannot set the temporary file's permissions";
    if (!failedStep && !GoOn(FAULT_FLUSH, path.c_str()))
        failedStep = INTERRUPTED;
    if (!failedStep && (InjectedFault(FAULT_FLUSH, &error) || !FlushFile(file, &error)))
        failedStep = "Cannot flush the temporary file to disk";
    if (!CloseFile(file, &error) && !failedStep)
        failedStep = "Cannot close the temporary file";
    if (!failedStep)
        return true;
    RemoveFile(temp->c_str());
    if (failedStep == INTERRUPTED)
        return Refuse(problem, problemSize, INTERRUPTED);
    return SetProblem(problem, problemSize, failedStep, error);
}

bool ReplaceFileSafely(const char* path, const unsigned char* bytes, size_t size, char* problem,
                       size_t problemSize)
{
    PathFacts facts;
    int error;
    if (!DescribePath(path, &facts, &error))
        return SetProblem(problem, problemSize, NULL, error);
    if (const char* refusal = Refusal(facts))
        return Refuse(problem, problemSize, refusal);
    // Replacing the link's name would cut it from its file: the file it
    // leads to is replaced instead, with the temporary file beside it.
    std::string target = path;
    if (facts.isLink && !ResolveLink(path, &target, &error))
        return SetProblem(problem, problemSize, "Cannot follow the symbolic link", error);
    std::string temp;
    if (!WriteTemporary(target, bytes, size, &facts, &temp, problem, problemSize))
        return false;
    bool interrupted = !GoOn(FAULT_RENAME, target.c_str());
    if (interrupted || InjectedFault(FAULT_RENAME, &error) || !RenameOver(temp.c_str(), target.c_str(), &error)) {
        RemoveFile(temp.c_str());
        if (interrupted)
            return Refuse(problem, problemSize, INTERRUPTED);
        return SetProblem(problem, problemSize, "Cannot put the new file in place", error);
    }
    return true;
}

static bool Exists(const char* path, char* problem, size_t problemSize)
{
    (void)FormatText(problem, problemSize, "%s: File exists", path);
    return false;
}

bool CreateFileSafely(const char* path, const unsigned char* bytes, size_t size, bool* existed,
                      char* problem, size_t problemSize)
{
    *existed = PathExists(path);
    if (*existed)
        return Exists(path, problem, problemSize);
    std::string temp;
    if (!WriteTemporary(path, bytes, size, NULL, &temp, problem, problemSize))
        return false;
    int error = 0;
    bool interrupted = !GoOn(FAULT_RENAME, path);
    bool placed = !interrupted && !InjectedFault(FAULT_RENAME, &error) && RenameToNew(temp.c_str(), path, &error);
    RemoveFile(temp.c_str());  // after a move there is nothing left to remove
    if (placed)
        return true;
    // The name may have been taken meanwhile: no file is ever overwritten here.
    *existed = NameTaken(error);
    if (*existed)
        return Exists(path, problem, problemSize);
    if (interrupted)
        return Refuse(problem, problemSize, INTERRUPTED);
    return SetProblem(problem, problemSize, "Cannot put the new file in place", error);
}
