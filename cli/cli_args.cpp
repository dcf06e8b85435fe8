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
    ALLOW_IN_PLACE = 16
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

static void ResetOptions(CliOptions* options)
{
    options->command = COMMAND_NONE;
    options->json = options->recursive = options->dryRun = false;
    options->backup = options->inPlace = options->fromGiven = false;
    options->fromWidth = options->fromHeight = options->toWidth = options->toHeight = 0;
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
    return PARSE_RUN;
}
