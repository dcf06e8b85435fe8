#pragma once
#include <string>

#include "cli/cli_args.h"

// Writes bytes to standard output or standard error unchanged; an error line
// follows the results written before it.
void WriteOut(const std::string& text);
void WriteError(const std::string& text);

// Runs the parsed command over every path: files read and worked on in
// parallel, one file per worker at a time, output in the order of the input.
// Returns the exit status: 0 when every file was done, 1 when any was not.
int RunBatch(const CliOptions& options);
