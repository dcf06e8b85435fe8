#pragma once
// The report's top-down plot: an inline SVG in world x/y, north up, scaled to
// what the demo visits: the recorder's path, each kill (the victim's place
// joined to the killer's) and where everyone stood when a round ended, one
// group per round for the page's round selector. Pure.

#include <string>
#include <vector>

#include "cli/report_rounds.h"

// Appends the plot's section; a demo without a known position gets a line
// saying so.
void AppendPlot(const DemoTimeline& timeline, const std::vector<ReportRound>& rounds, std::string* out);
