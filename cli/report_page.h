#pragma once
// A demo's report: one self-contained HTML page, and its row in the index of
// several. Pure: the caller reads, decodes and writes.

#include <string>
#include <vector>

#include "decode/demo_timeline.h"
#include "demo/demo_structure.h"

// What a report says of one demo.
struct ReportDemo {
    const char* path;              // the demo as given
    const char* fileDate;          // "YYYY-MM-DD HH:MM", "" when unknown
    const DemoStructure* structure;
    const DemoTimeline* timeline;
};

// The whole page of one demo.
void BuildReportPage(const ReportDemo& demo, std::string* page);

// The demo's row in the index, linking to its page at href (a relative path
// or an absolute one; escaped here).
void AppendIndexRow(const ReportDemo& demo, const char* href, std::string* rows);

// The row of a demo that could not be read: its path and the reason, no link.
void AppendUnreadIndexRow(const char* path, const char* reason, std::string* rows);

// The index page around the rows.
void BuildReportIndex(const std::string& rows, size_t demoCount, std::string* page);
