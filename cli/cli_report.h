#pragma once
// flickbox-cli report: one HTML page per demo and, for several, an index.

#include "cli/cli_args.h"

// Plans where every page goes, writes them in parallel through the batch,
// then the index; opens the index (or the one page) when options.openReport.
// Returns the exit status: 0 when every demo got its page, 1 otherwise.
int RunReport(const CliOptions& options);
