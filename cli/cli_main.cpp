// flickbox-cli: the demo tools for whole folders, from a console. Parses the
// arguments once and hands them to the batch; on Windows it also takes the
// UTF-16 arguments as UTF-8 and keeps a console it owns open until Enter.

#include <stdio.h>

#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_batch.h"
#include "cli/cli_files.h"
#include "cli/cli_report.h"
#include "demo/resolution_records.h"
#include "flickbox_version.h"

static int Run(int argc, const char* const* argv, bool dropped)
{
    CliOptions options;
    switch (ParseCliArguments(argc, argv, &options)) {
    case PARSE_HELP:
        WriteOut(CliUsageText());
        return 0;
    case PARSE_VERSION:
        WriteOut("flickbox-cli " FLICKBOX_VERSION_TEXT "\n");
        return 0;
    case PARSE_USAGE_ERROR:
        WriteError("flickbox-cli: " + options.problem + "\n" + CliUsageText());
        return 2;
    case PARSE_UNSUPPORTED_SIZE:
        WriteError(std::string("flickbox-cli: ") + UnsupportedResolutionText + "\n");
        return 2;
    case PARSE_RUN:
        break;
    }
    if (options.command == COMMAND_REPORT) {
        options.openReport = dropped;
        return RunReport(options);
    }
    return RunBatch(options);
}

#ifdef _WIN32

#include <fcntl.h>
#include <io.h>
#include <windows.h>

// Started from Explorer (a double-click, or files dropped on the program),
// the console is ours alone and would close with the last line unread.
static void WaitIfOwnConsole()
{
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) != 1)
        return;
    fputs("Press Enter to close this window.", stderr);
    fflush(stderr);
    getchar();
}

int wmain(int argc, wchar_t** argv)
{
    // Bytes go out as they are: UTF-8, "\n" line ends, as on every platform.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (GetConsoleWindow())
        SetConsoleOutputCP(CP_UTF8);
    std::vector<std::string> texts;
    for (int i = 0; i < argc; i++)
        texts.push_back(Utf8FromWide(argv[i]));
    std::vector<const char*> arguments;
    for (const std::string& text : texts)
        arguments.push_back(text.c_str());
    // Demos dropped on the program come as paths alone: each gets its report
    // beside it, and the page (or the index) opens.
    bool dropped = argc >= 2 && arguments[1][0] != '-' && !IsCliCommandName(arguments[1]);
    if (dropped)
        arguments.insert(arguments.begin() + 1, "report");
    int status = Run((int)arguments.size(), arguments.data(), dropped);
    fflush(stdout);
    if (dropped && status == 0)
        return 0;  // all went well: the window may close by itself
    if (status != EXIT_INTERRUPTED)  // a closed or interrupted console wants no more
        WaitIfOwnConsole();
    return status;
}

#else

int main(int argc, char** argv)
{
    int status = Run(argc, argv, false);
    fflush(stdout);
    return status;
}

#endif
