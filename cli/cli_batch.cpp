#include "cli/cli_batch.h"

#include <stdio.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "cli/cli_commands.h"
#include "cli/cli_files.h"
#include "cli/cli_json.h"
#include "decode/decode_demo.h"
#include "shared/text.h"

void WriteOut(const std::string& text)
{
    fwrite(text.data(), 1, text.size(), stdout);
}

void WriteError(const std::string& text)
{
    fflush(stdout);
    fwrite(text.data(), 1, text.size(), stderr);
    fflush(stderr);
}

// Messages, names and texts here are kept as far as their buffers reach: a
// cut one still reads, so the bounded copies marked (void) do not fail on it.

enum { PROGRESS_FROM = 5 };  // batches of this many files or more show progress

void ReportFileProblem(const CliOptions& options, const char* path, const char* reason, FileOutcome* outcome)
{
    outcome->failed = true;
    if (options.json) {
        outcome->out.append("{\"path\":");
        AppendJsonText(&outcome->out, path);
        outcome->out.append(",\"error\":");
        AppendJsonText(&outcome->out, reason);
        outcome->out.append("}\n");
    } else {
        outcome->err.append("flickbox-cli: ");
        outcome->err.append(path);
        outcome->err.append(": ");
        outcome->err.append(reason);
        outcome->err.push_back('\n');
    }
}

typedef void (*FileCommand)(const CliOptions&, const char*, DemoScratch*, FileOutcome*);

static FileCommand CommandFunction(CliCommand command)
{
    switch (command) {
    case COMMAND_INFO: return DescribeDemo;
    case COMMAND_CHAT: return ListChat;
    case COMMAND_REPORT: return WriteReport;
    case COMMAND_EVENTS: return ListEvents;
    case COMMAND_STRIP_TEAM_CHAT: return StripTeamChat;
    case COMMAND_CONVERT: return ConvertResolution;
    case COMMAND_REPAIR: return RepairDemo;
    case COMMAND_CUT: return CutDemoFile;
    default: return NULL;
    }
}

struct Batch {
    const CliOptions* options;
    FileCommand command;
    std::vector<BatchPath> paths;
    std::vector<FileOutcome> outcomes;
    std::vector<char> done;          // guarded by lock
    std::vector<char> cut;           // failed when the run was interrupted: not told
    std::atomic<size_t> next;
    std::mutex lock;
    std::condition_variable finished;
};

static void WorkOnFile(Batch* batch, const BatchPath& item, DemoScratch* scratch, FileOutcome* outcome)
{
    outcome->failed = false;
    if (!item.problem.empty()) {
        ReportFileProblem(*batch->options, item.path.c_str(), item.problem.c_str(), outcome);
        return;
    }
    char problem[FILE_PROBLEM_SIZE];
    if (!ReadWholeFile(item.path.c_str(), &scratch->bytes, problem, sizeof problem)) {
        ReportFileProblem(*batch->options, item.path.c_str(), problem, outcome);
        return;
    }
    batch->command(*batch->options, item.path.c_str(), scratch, outcome);
}

static void Worker(Batch* batch)
{
    DemoScratch scratch;
    for (;;) {
        size_t index = batch->next.fetch_add(1);
        if (index >= batch->paths.size() || InterruptRequested())
            break;
        FileOutcome outcome;
        WorkOnFile(batch, batch->paths[index], &scratch, &outcome);
        std::lock_guard<std::mutex> hold(batch->lock);
        batch->outcomes[index] = std::move(outcome);
        batch->done[index] = 1;
        batch->cut[index] = batch->outcomes[index].failed && InterruptRequested();
        batch->finished.notify_one();
    }
    ReleaseThreadDecodeStates();
}

// A change command works on each file once: paths that name one file (a.dem
// and ./a.dem, a demo and its folder, two links) keep the first one's place.
// A path that names nothing is known by its text.
static void DropRepeatedPaths(std::vector<BatchPath>* paths)
{
    std::set<std::pair<uint64_t, uint64_t>> seenFiles;
    std::set<std::string> seenNames;
    std::vector<BatchPath> kept;
    for (BatchPath& item : *paths) {
        FileId id;
        bool first = item.problem.empty() && ReadFileId(item.path.c_str(), &id)
                         ? seenFiles.insert(std::make_pair(id.volume, id.index)).second
                         : seenNames.insert(item.path).second;
        if (first)
            kept.push_back(std::move(item));
    }
    paths->swap(kept);
}

// Waits until the file is done or the run is interrupted; true when done.
static bool WaitForFile(Batch* batch, size_t index)
{
    std::unique_lock<std::mutex> hold(batch->lock);
    while (!batch->done[index] && !InterruptRequested())
        batch->finished.wait_for(hold, std::chrono::milliseconds(50));
    return batch->done[index] != 0;
}

static void JoinWorkers(std::vector<std::thread>* threads)
{
    for (std::thread& thread : *threads) {
        if (thread.joinable())
            thread.join();
    }
}

static void ShowProgress(size_t done, size_t total, bool* shown)
{
    char text[96];
    (void)FormatText(text, sizeof text, "\rflickbox-cli: %llu of %llu files", (unsigned long long)done,
               (unsigned long long)total);
    WriteError(text);
    *shown = true;
}

static void ClearProgress(bool* shown)
{
    if (*shown)
        WriteError("\r                                                  \r");
    *shown = false;
}

int RunBatch(const CliOptions& options)
{
    WatchInterrupts();
    Batch batch;
    batch.options = &options;
    batch.command = CommandFunction(options.command);
    ExpandPaths(options.paths, options.recursive, &batch.paths);
    if (options.command != COMMAND_INFO && options.command != COMMAND_CHAT && options.command != COMMAND_EVENTS)
        DropRepeatedPaths(&batch.paths);
    size_t total = batch.paths.size();
    batch.outcomes.resize(total);
    batch.done.assign(total, 0);
    batch.cut.assign(total, 0);
    batch.next = 0;

    size_t workers = std::thread::hardware_concurrency();
    if (workers == 0)
        workers = 1;
    if (workers > total)
        workers = total;
    std::vector<std::thread> threads;
    for (size_t k = 0; k < workers; k++)
        threads.emplace_back(Worker, &batch);

    bool progress = total >= PROGRESS_FROM && ErrorStreamIsTerminal();
    bool shown = false;
    auto lastShown = std::chrono::steady_clock::now();
    bool anyFailed = false;
    for (size_t index = 0; index < total; index++) {
        bool done = WaitForFile(&batch, index);
        if (!done) {
            // Interrupted: each worker finishes or abandons the file in hand
            // and takes no other. What they finish is still told, in order.
            JoinWorkers(&threads);
            done = batch.done[index] != 0;
        }
        if (!done || batch.cut[index])
            continue;
        FileOutcome outcome = std::move(batch.outcomes[index]);
        anyFailed = anyFailed || outcome.failed;
        if (!outcome.out.empty() || !outcome.err.empty())
            ClearProgress(&shown);
        WriteOut(outcome.out);
        if (!outcome.err.empty())
            WriteError(outcome.err);
        auto now = std::chrono::steady_clock::now();
        if (progress && index + 1 < total && now - lastShown > std::chrono::milliseconds(100)) {
            ShowProgress(index + 1, total, &shown);
            lastShown = now;
        }
    }
    ClearProgress(&shown);
    JoinWorkers(&threads);
    if (InterruptRequested()) {
        WriteError("flickbox-cli: interrupted\n");
        return EXIT_INTERRUPTED;
    }
    return anyFailed ? 1 : 0;
}
