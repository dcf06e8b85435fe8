#pragma once
// One function per command over one demo held whole in memory. info and chat
// are pure; the change commands decide here and write through cli_files.

#include <stddef.h>

#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "decode/demo_timeline.h"
#include "demo/analysis.h"
#include "demo/demo_structure.h"

// What one worker keeps between files, so a batch allocates once per worker
// rather than once per file.
struct DemoScratch {
    std::vector<unsigned char> bytes;   // the file, whole
    std::vector<unsigned char> spare;   // a changed copy, where a command needs one
    DemoStructure structure;
    DemoInspection inspection;
    DemoTimeline timeline;              // what the messages say, decoded
};

// What a command made of one file: text for standard output and for standard
// error, and whether the file counts as failed (exit status 1).
struct FileOutcome {
    std::string out;
    std::string err;
    bool failed;
};

// The failure of one file: "flickbox-cli: PATH: reason" on standard error, or
// {"path","error"} on standard output in --json mode.
void ReportFileProblem(const CliOptions& options, const char* path, const char* reason,
                       FileOutcome* outcome);

// The info block (or JSON line) of a demo in scratch->bytes.
void DescribeDemo(const CliOptions& options, const char* path, DemoScratch* scratch,
                  FileOutcome* outcome);

// The chat of a demo in scratch->bytes, in time order.
void ListChat(const CliOptions& options, const char* path, DemoScratch* scratch,
              FileOutcome* outcome);

// The timeline of a demo in scratch->bytes: kills, round ends, chat, joins,
// leaves, teams and name changes, with how much of it decoded.
void ListEvents(const CliOptions& options, const char* path, DemoScratch* scratch,
                FileOutcome* outcome);

// The change commands: scratch->bytes may be changed in place.
void StripTeamChat(const CliOptions& options, const char* path, DemoScratch* scratch,
                   FileOutcome* outcome);
void ConvertResolution(const CliOptions& options, const char* path, DemoScratch* scratch,
                       FileOutcome* outcome);
void RepairDemo(const CliOptions& options, const char* path, DemoScratch* scratch,
                FileOutcome* outcome);
// Writes the span the options give as a new file; the demo is only read.
void CutDemoFile(const CliOptions& options, const char* path, DemoScratch* scratch,
                 FileOutcome* outcome);

// Writes the demo's report page where RunReport (cli_report.h) planned it.
void WriteReport(const CliOptions& options, const char* path, DemoScratch* scratch, FileOutcome* outcome);

// "m:ss.s"; "-" when the time is not a finite number of seconds.
void FormatChatTime(char* dest, size_t size, float seconds);
