#include "cli/cli_commands.h"

#include <stdlib.h>
#include <string.h>

#include "cli/cli_files.h"
#include "cli/cli_paths.h"
#include "cli/cli_timeline.h"
#include "decode/decode_demo.h"
#include "demo/demo_patterns.h"
#include "demo/demo_repair.h"
#include "demo/resolution_records.h"
#include "demo/team_messages.h"
#include "shared/text.h"

// Messages, names and texts here are kept as far as their buffers reach: a
// cut one still reads, so the bounded copies marked (void) do not fail on it.

static void Report(const char* path, const char* text, FileOutcome* outcome)
{
    outcome->out.append(path);
    outcome->out.append(": ");
    outcome->out.append(text);
    outcome->out.push_back('\n');
}

static void Fail(const CliOptions& options, const char* path, const char* reason, FileOutcome* outcome)
{
    ReportFileProblem(options, path, reason, outcome);
}

static bool BackupExists(const CliOptions& options, const char* path, FileOutcome* outcome)
{
    std::string backup = std::string(path) + ".bak";
    if (!options.backup || !PathExists(backup.c_str()))
        return false;
    std::string reason = "The backup " + backup + " already exists; the demo was not changed";
    Fail(options, path, reason.c_str(), outcome);
    return true;
}

// Puts the changed bytes in place of the file: a backup of the original first
// when asked, then the safe replacement. A backup made for a change that then
// failed is removed again, so a failed file is left exactly as it was found.
static bool ReplaceDemo(const CliOptions& options, const char* path, const std::vector<unsigned char>& original,
                        const std::vector<unsigned char>& changed, FileOutcome* outcome)
{
    char problem[FILE_PROBLEM_SIZE];
    if (!CheckWritable(path, problem, sizeof problem)) {
        Fail(options, path, problem, outcome);
        return false;
    }
    if (BackupExists(options, path, outcome))
        return false;
    std::string backup = std::string(path) + ".bak";
    bool existed = false;
    if (options.backup &&
        !CreateFileSafely(backup.c_str(), original.data(), original.size(), &existed, problem, sizeof problem)) {
        std::string reason = existed ? "The backup " + backup + " already exists; the demo was not changed"
                                     : "Cannot make the backup " + backup + ": " + problem;
        Fail(options, path, reason.c_str(), outcome);
        return false;
    }
    if (!ReplaceFileSafely(path, changed.data(), changed.size(), problem, sizeof problem)) {
        if (options.backup)
            RemoveFile(backup.c_str());
        Fail(options, path, problem, outcome);
        return false;
    }
    return true;
}

// Reports a change of count items, writing it unless this is a dry run or
// there is nothing to change (the file then keeps its time stamps).
static void FinishChange(const CliOptions& options, const char* path, unsigned int count, const char* done,
                         const char* wouldBe, const char* detail, DemoScratch* scratch, FileOutcome* outcome)
{
    char text[256];
    if (options.dryRun) {
        if (count > 0 && BackupExists(options, path, outcome))
            return;
        (void)FormatText(text, sizeof text, "%u %s%s", count, wouldBe, detail);
        Report(path, text, outcome);
        return;
    }
    if (count > 0 && !ReplaceDemo(options, path, scratch->bytes, scratch->spare, outcome))
        return;
    (void)FormatText(text, sizeof text, "%u %s%s", count, done, detail);
    Report(path, text, outcome);
}

void StripTeamChat(const CliOptions& options, const char* path, DemoScratch* scratch, FileOutcome* outcome)
{
    scratch->spare = scratch->bytes;
    unsigned char* bytes = scratch->spare.data();
    size_t size = scratch->spare.size();
    // The dialog's stripper first, unchanged, so the older form comes out as
    // it leaves it; then the Steam form, decoded from what that left.
    unsigned int older = BlankTeamMessages(bytes, size);
    ReadDemoStructure(bytes, size, &scratch->structure);
    DecodeDemo(bytes, size, scratch->structure, &scratch->timeline);
    unsigned int steam = NopTeamChat(bytes, size, scratch->structure, scratch->timeline);
    char detail[96];
    (void)FormatText(detail, sizeof detail, " (older form %u, Steam form %u)", older, steam);
    FinishChange(options, path, older + steam, "team messages stripped", "team messages would be stripped",
                 detail, scratch, outcome);
}

// The inspector's size text as a number; 0 when it found none ("*").
static unsigned int DetectedSize(const char* text)
{
    char* end;
    unsigned long value = strtoul(text, &end, 10);
    return end != text && *end == '\0' && value <= 65535 ? (unsigned int)value : 0;
}

// How many records changed: positions where the original held the old record
// and the copy now holds the new one. Blocks are compared whole first, so the
// count costs little more than one pass over both buffers.
static unsigned int CountRewrittenRecords(const unsigned char* before, const unsigned char* after, size_t size,
                                          const unsigned char* oldRecord, const unsigned char* newRecord)
{
    const size_t BLOCK = 4096;
    unsigned int count = 0;
    size_t next = 0;  // the first position not yet examined
    for (size_t block = 0; block < size; block += BLOCK) {
        size_t length = size - block < BLOCK ? size - block : BLOCK;
        if (memcmp(before + block, after + block, length) == 0)
            continue;
        // A changed record overlaps this block: it starts at most 13 bytes before it.
        size_t reach = RECORD_SIZE - 1;
        size_t first = block >= reach ? block - reach : 0;
        if (first < next)
            first = next;
        size_t last = block + length;
        for (size_t p = first; p < last && p + RECORD_SIZE <= size; p++) {
            if (memcmp(after + p, newRecord, RECORD_SIZE) == 0 && memcmp(before + p, oldRecord, RECORD_SIZE) == 0)
                count++;
        }
        next = last;
    }
    return count;
}

void ConvertResolution(const CliOptions& options, const char* path, DemoScratch* scratch, FileOutcome* outcome)
{
    unsigned int fromWidth = options.fromWidth, fromHeight = options.fromHeight;
    if (!options.fromGiven) {
        AnalyseDemo(scratch->bytes.data(), scratch->bytes.size(), "*", "*", ".", &scratch->inspection);
        fromWidth = DetectedSize(scratch->inspection.demoWidth);
        fromHeight = DetectedSize(scratch->inspection.demoHeight);
    }
    // The dialog refuses an unknown size in the same words: a record of 0 x 0
    // would match every run of zeros.
    if (fromWidth == 0 || fromHeight == 0) {
        Fail(options, path, "The demo's current resolution is unknown, so it cannot be converted.", outcome);
        return;
    }
    scratch->spare = scratch->bytes;
    RewriteResolutionRecords(scratch->spare.data(), scratch->spare.size(), fromWidth, fromHeight,
                             options.toWidth, options.toHeight);
    unsigned char oldRecord[RECORD_SIZE], newRecord[RECORD_SIZE];
    MakeResolutionRecord(fromWidth, fromHeight, oldRecord);
    MakeResolutionRecord(options.toWidth, options.toHeight, newRecord);
    unsigned int count = CountRewrittenRecords(scratch->bytes.data(), scratch->spare.data(), scratch->bytes.size(),
                                               oldRecord, newRecord);
    char detail[64];
    (void)FormatText(detail, sizeof detail, " (%ux%u to %ux%u)", fromWidth, fromHeight, options.toWidth,
               options.toHeight);
    FinishChange(options, path, count, "resolution records rewritten", "resolution records would be rewritten",
                 detail, scratch, outcome);
}

void RepairDemo(const CliOptions& options, const char* path, DemoScratch* scratch, FileOutcome* outcome)
{
    const unsigned char* bytes = scratch->bytes.data();
    size_t size = scratch->bytes.size();
    ReadDemoStructure(bytes, size, &scratch->structure);
    const DemoStructure& structure = scratch->structure;
    if (structure.state == DEMO_COMPLETE) {
        Report(path, "already complete", outcome);
        return;
    }
    if (structure.state != DEMO_UNFINISHED || !BuildRepairedDemo(bytes, size, structure, &scratch->spare)) {
        std::string reason = std::string("Damaged, not changed: ") + structure.problem;
        Fail(options, path, reason.c_str(), outcome);
        return;
    }
    char text[160];
    (void)FormatText(text, sizeof text, "%llu of %llu bytes kept", (unsigned long long)structure.lastWholeFrameEnd,
               (unsigned long long)size);
    std::string report;
    if (options.inPlace) {
        if (!ReplaceDemo(options, path, scratch->bytes, scratch->spare, outcome))
            return;
        report = std::string("repaired in place (") + text + ")";
    } else {
        std::string target = RepairedPath(path);
        char problem[FILE_PROBLEM_SIZE];
        bool existed;
        if (!CreateFileSafely(target.c_str(), scratch->spare.data(), scratch->spare.size(), &existed, problem,
                              sizeof problem)) {
            std::string reason = existed ? target + " already exists; nothing was written"
                                         : "Cannot write " + target + ": " + problem;
            Fail(options, path, reason.c_str(), outcome);
            return;
        }
        report = "repaired as " + target + " (" + text + ")";
    }
    Report(path, report.c_str(), outcome);
}
