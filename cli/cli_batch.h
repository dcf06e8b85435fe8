#pragma once
#include "cli/cli_args.h"

// Runs the parsed command over every path: files read and worked on in
// parallel, one file per worker at a time, output in the order of the input.
// Returns the exit status: 0 when every file was done, 1 when any was not.
int RunBatch(const CliOptions& options);
