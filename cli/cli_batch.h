#pragma once
#include <string>

#include "cli/cli_args.h"

// Writes bytes to standard output or standard error unchanged; an error line
// follows the results written before it.
void WriteOut(const std::string& text);
void WriteError(const std::string& text);

enum { EXIT_INTERRUPTED = 130 };

// Runs the parsed command over every path: files read and worked on in
// parallel, one file per worker at a time, output in the order of the input.
// Returns the exit status: 0 when every file was done, 1 when any was not,
// EXIT_INTERRUPTED when an interrupt stopped the run (the file in hand left
// as it was, those finished told, and one line saying so).
int RunBatch(const CliOptions& options);
