#include "cli/cli_args.h"

#include <string.h>

#include "demo/resolution_records.h"

static const char usageText[] =
    "usage: flickbox-cli info [--json] [-r] PATH...\n"
    "       flickbox-cli chat [--json] [-r] PATH...\n"
    "       flickbox-cli events [--json] [-r] PATH...\n"
    "       flickbox-cli report [-r] [-o DIR] PATH...\n"
    "       flickbox-cli strip-team-chat [-r] [--dry-run] [--backup] PATH...\n"
    "       flickbox-cli convert [--from WxH] --to WxH [-r] [--dry-run] [--backup] PATH...\n"
    "       flickbox-cli repair [--in-place [--backup]] [-r] PATH...\n"
    "       flickbox-cli cut [--from TIME | --from-round N] [--to TIME | --to-round N] [-o OUT] PATH...\n"
    "       flickbox-cli --help | --version\n"
    "\n"
    "A PATH is a demo file or a folder of .dem files; -r also reads subfolders.\n"
    "  info             what each demo holds: header, inspection and structure\n"
    "  chat             each demo's chat in time order\n"
    "  events           each demo's kills, round ends, chat, joins and teams\n"
    "  report           a web page of each demo, NAME.html beside it (or in DIR),\n"
    "                   and index.html for several\n"
    "  strip-team-chat  blank team chat, older and Steam form\n"
    "  convert          rewrite the resolution records (--from: the detected size)\n"
    "  repair           give a demo cut short by a crash its directory back,\n"
    "                   as NAME.repaired.dem beside it (or --in-place)\n"
    "  cut              keep a span of time or rounds, as NAME.cut.dem beside\n"
    "                   each demo (or OUT); TIME is seconds or M:SS(.s)\n"
    "  --json           one JSON object per demo and line\n"
    "  --dry-run        report what would change, write nothing\n"
    "  --backup         copy each changed demo to NAME.dem.bak first\n"
    "Exit status: 0 every file done, 1 some file failed, 2 usage error.\n";

const char* CliUsageText()
{
    return usageText;
}

enum {
    ALLOW_JSON = 1,
    ALLOW_DRY_RUN = 2,
    ALLOW_BACKUP = 4,
    ALLOW_SIZES = 8,
    ALLOW_IN_PLACE = 16,
    ALLOW_CUT = 32
};

enum { ALLOW_OUT_FOLDER = 64 };  // report -o DIR

struct CommandName {
    const char* name;
    CliCommand command;
    int allowed;
};

static const CommandName commandNames[] = {
    {"info", COMMAND_INFO, ALLOW_JSON},
    {"chat", COMMAND_CHAT, ALLOW_JSON},
    {"events", COMMAND_EVENTS, ALLOW_JSON},
    {"report", COMMAND_REPORT, ALLOW_OUT_FOLDER},
    {"strip-team-chat", COMMAND_STRIP_TEAM_CHAT, ALLOW_DRY_RUN | ALLOW_BACKUP},
    {"convert", COMMAND_CONVERT, ALLOW_DRY_RUN | ALLOW_BACKUP | ALLOW_SIZES},
    {"repair", COMMAND_REPAIR, ALLOW_IN_PLACE | ALLOW_BACKUP},
    {"cut", COMMAND_CUT, ALLOW_CUT},
};

bool IsCliCommandName(const char* word)
{
    for (const CommandName& entry : commandNames) {
        if (strcmp(word, entry.name) == 0)
            return true;
    }
    return false;
}

// "WxH" with both parts decimal, above 0 and below 65536 (a record keeps
// 16 bits of each).
static bool ParseSize(const char* text, unsigned int* width, unsigned int* height)
{
    unsigned long parts[2] = {0, 0};
    const char* at = text;
    for (int part = 0; part < 2; part++) {
        if (*at < '0' || *at > '9')
            return false;
        while (*at >= '0' && *at <= '9') {
            parts[part] = parts[part] * 10 + (unsigned long)(*at - '0');
            if (parts[part] > 65535)
                return false;
            at++;
        }
        if (part == 0) {
            if (*at != 'x' && *at != 'X')
                return false;
            at++;
        }
    }
    if (*at != '\0' || parts[0] == 0 || parts[1] == 0)
        return false;
    *width = (unsigned int)parts[0];
    *height = (unsigned int)parts[1];
    return true;
}

// A demo time: seconds ("95.5") or minutes and seconds ("1:35", "1:35.5"),
// the seconds then two digits below 60. Decimal digits only, no sign.
static bool ParseCutTime(const char* text, double* seconds)
{
    double minutes = 0, whole = 0;
    int digits = 0;
    const char* at = text;
    for (; *at >= '0' && *at <= '9'; at++, digits++)
        whole = whole * 10 + (*at - '0');
    if (digits == 0 || digits > 9)
        return false;
    if (*at == ':') {
        minutes = whole;
        whole = 0;
        at++;
        for (digits = 0; *at >= '0' && *at <= '9'; at++, digits++)
            whole = whole * 10 + (*at - '0');
        if (digits != 2 || whole >= 60)
            return false;
    }
    double fraction = 0, scale = 1;
    if (*at == '.') {
        at++;
        for (digits = 0; *at >= '0' && *at <= '9' && digits < 9; at++, digits++)
            fraction += (*at - '0') / (scale *= 10);
        if (digits == 0)
            return false;
    }
    if (*at != '\0')
        return false;
    *seconds = minutes * 60 + whole + fraction;
    return true;
}

// A round number: decimal, 1 upward.
static bool ParseRound(const char* text, int* round)
{
    long value = 0;
    const char* at = text;
    for (; *at >= '0' && *at <= '9'; at++) {
        value = value * 10 + (*at - '0');
        if (value > 100000)
            return false;
    }
    if (at == text || *at != '\0' || value < 1)
        return false;
    *round = (int)value;
    return true;
}

static ParseOutcome UsageError(CliOptions* options, const std::string& problem)
{
    options->problem = problem;
    return PARSE_USAGE_ERROR;
}

// Takes the value of an option given as "--name VALUE" or "--name=VALUE".
static bool TakeValue(int argc, const char* const* argv, int* i, const char* name, const char** value)
{
    const char* arg = argv[*i];
    size_t length = strlen(name);
    if (strncmp(arg, name, length) != 0)
        return false;
    if (arg[length] == '=') {
        *value = arg + length + 1;
        return true;
    }
    if (arg[length] != '\0')
        return false;
    *value = *i + 1 < argc ? argv[++*i] : NULL;
    return true;
}

// One end of a cut from "--NAME TIME" or "--NAME-round N"; false when the
// argument is neither. problem says what was wrong with a value.
static bool TakeCutBound(int argc, const char* const* argv, int* i, const char* name, CutBound* bound,
                         std::string* problem)
{
    const char* value = NULL;
    std::string roundName = std::string(name) + "-round";
    bool isRound = TakeValue(argc, argv, i, roundName.c_str(), &value);
    if (!isRound && !TakeValue(argc, argv, i, name, &value))
        return false;
    if (bound->kind != CUT_BOUND_NONE)
        *problem = std::string(name) + " and " + roundName + " are given more than once";
    else if (isRound && (!value || !ParseRound(value, &bound->round)))
        *problem = roundName + " needs a round number, 1 upward";
    else if (!isRound && (!value || !ParseCutTime(value, &bound->seconds)))
        *problem = std::string(name) + " needs a time: seconds (95.5) or M:SS (1:35.5)";
    else
        bound->kind = isRound ? CUT_BOUND_ROUND : CUT_BOUND_TIME;
    return true;
}

static void ResetOptions(CliOptions* options)
{
    options->command = COMMAND_NONE;
    options->json = options->recursive = options->dryRun = false;
    options->backup = options->inPlace = options->fromGiven = false;
    options->fromWidth = options->fromHeight = options->toWidth = options->toHeight = 0;
    options->cutFrom.kind = options->cutTo.kind = CUT_BOUND_NONE;
    options->cutFrom.seconds = options->cutTo.seconds = 0;
    options->cutFrom.round = options->cutTo.round = 0;
    options->outPath.clear();
    options->outFolder.clear();
    options->openReport = false;
    options->paths.clear();
    options->problem.clear();
}

ParseOutcome ParseCliArguments(int argc, const char* const* argv, CliOptions* options)
{
    ResetOptions(options);
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0)
            return PARSE_HELP;
    }
    if (argc >= 2 && strcmp(argv[1], "--version") == 0)
        return PARSE_VERSION;
    if (argc < 2)
        return UsageError(options, "no command");

    int allowed = 0;
    for (const CommandName& entry : commandNames) {
        if (strcmp(argv[1], entry.name) == 0) {
            options->command = entry.command;
            allowed = entry.allowed;
        }
    }
    if (options->command == COMMAND_NONE)
        return UsageError(options, std::string("unknown command: ") + argv[1]);

    bool toGiven = false;
    bool optionsEnded = false;
    std::string problem;
    for (int i = 2; i < argc; i++) {
        const char* arg = argv[i];
        const char* value = NULL;
        if (optionsEnded || arg[0] != '-' || arg[1] == '\0') {
            options->paths.push_back(arg);
        } else if (strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (strcmp(arg, "-r") == 0 || strcmp(arg, "--recursive") == 0) {
            options->recursive = true;
        } else if ((allowed & ALLOW_JSON) && strcmp(arg, "--json") == 0) {
            options->json = true;
        } else if ((allowed & ALLOW_DRY_RUN) && strcmp(arg, "--dry-run") == 0) {
            options->dryRun = true;
        } else if ((allowed & ALLOW_BACKUP) && strcmp(arg, "--backup") == 0) {
            options->backup = true;
        } else if ((allowed & ALLOW_IN_PLACE) && strcmp(arg, "--in-place") == 0) {
            options->inPlace = true;
        } else if ((allowed & ALLOW_OUT_FOLDER) && TakeValue(argc, argv, &i, "-o", &value)) {
            if (!value || !*value)
                return UsageError(options, "-o needs a folder");
            options->outFolder = value;
        } else if ((allowed & ALLOW_SIZES) && TakeValue(argc, argv, &i, "--from", &value)) {
            if (!value || !ParseSize(value, &options->fromWidth, &options->fromHeight))
                return UsageError(options, "--from needs a size WxH, both above 0");
            options->fromGiven = true;
        } else if ((allowed & ALLOW_SIZES) && TakeValue(argc, argv, &i, "--to", &value)) {
            if (!value)
                return UsageError(options, "--to needs a size WxH");
            if (!ParseSize(value, &options->toWidth, &options->toHeight) ||
                !IsSupportedResolution(options->toWidth, options->toHeight))
                return PARSE_UNSUPPORTED_SIZE;
            toGiven = true;
        } else if ((allowed & ALLOW_CUT) && TakeValue(argc, argv, &i, "-o", &value)) {
            if (!value || !*value)
                return UsageError(options, "-o needs a file name");
            if (!options->outPath.empty())
                return UsageError(options, "-o is given more than once");
            options->outPath = value;
        } else if ((allowed & ALLOW_CUT) && (TakeCutBound(argc, argv, &i, "--from", &options->cutFrom, &problem) ||
                                             TakeCutBound(argc, argv, &i, "--to", &options->cutTo, &problem))) {
            if (!problem.empty())
                return UsageError(options, problem);
        } else {
            return UsageError(options, std::string("unknown option for ") + argv[1] + ": " + arg);
        }
    }
    if (options->command == COMMAND_CONVERT && !toGiven)
        return UsageError(options, "convert needs --to WxH");
    if (options->command == COMMAND_REPAIR && options->backup && !options->inPlace)
        return UsageError(options, "repair takes --backup only with --in-place");
    if (options->paths.empty())
        return UsageError(options, "no path given");
    if (!options->outPath.empty() && options->paths.size() > 1)
        return UsageError(options, "-o names the output of a single demo");
    return PARSE_RUN;
}
