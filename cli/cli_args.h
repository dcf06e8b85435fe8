#pragma once
// The command line, parsed once into a small record before any file is
// touched. Pure: the same on every platform.

#include <string>
#include <vector>

enum CliCommand {
    COMMAND_NONE,
    COMMAND_INFO,
    COMMAND_CHAT,
    COMMAND_EVENTS,
    COMMAND_REPORT,
    COMMAND_STRIP_TEAM_CHAT,
    COMMAND_CONVERT,
    COMMAND_REPAIR,
    COMMAND_CUT
};

enum ParseOutcome {
    PARSE_RUN,                   // options holds a command and its paths
    PARSE_HELP,                  // print the usage to standard output, exit 0
    PARSE_VERSION,
    PARSE_USAGE_ERROR,           // print problem and the usage to standard error, exit 2
    PARSE_UNSUPPORTED_SIZE       // --to is not a size the converter accepts
};

// One end of a cut: a demo time in seconds, or a round (1 upward).
enum CutBoundKind { CUT_BOUND_NONE, CUT_BOUND_TIME, CUT_BOUND_ROUND };

struct CutBound {
    CutBoundKind kind;
    double seconds;
    int round;
};

struct CliOptions {
    CliCommand command;
    bool json;
    bool recursive;
    bool dryRun;
    bool backup;
    bool inPlace;
    bool fromGiven;
    unsigned int fromWidth, fromHeight;
    unsigned int toWidth, toHeight;
    CutBound cutFrom, cutTo;     // cut: --from/--from-round, --to/--to-round
    std::string outPath;         // cut -o: the output of a single demo
    std::string outFolder;       // report -o: where the pages and the index go
    bool openReport;             // report: open the index or page (demos dropped on the program)
    std::vector<std::string> paths;
    std::string problem;         // what was wrong, for PARSE_USAGE_ERROR
};

// Parses argv[1..argc-1] (UTF-8). Options may come before, between or after
// the paths; "--" ends them.
ParseOutcome ParseCliArguments(int argc, const char* const* argv, CliOptions* options);

// True for a command's name ("info", "report" ...).
bool IsCliCommandName(const char* word);

// The text --help prints and a usage error repeats.
const char* CliUsageText();
