#include "cli/report_page.h"

#include "cli/cli_json.h"
#include "cli/html_escape.h"
#include "cli/report_rounds.h"
#include "cli/report_template.h"

static void Cell(std::string* rows, const char* text)
{
    rows->append("<td>");
    AppendHtmlText(rows, text);
    rows->append("</td>");
}

static void NumberCell(std::string* rows, long long value)
{
    rows->append("<td class=\"n\">");
    AppendJsonInteger(rows, value);
    rows->append("</td>");
}

static const TimelineEvent* LastRoundEnd(const DemoTimeline& timeline)
{
    const TimelineEvent* last = NULL;
    for (const TimelineEvent& event : timeline.events) {
        if (event.type == EVENT_ROUND_END)
            last = &event;
    }
    return last;
}

static const char* FileName(const char* path)
{
    const char* name = path;
    for (const char* at = path; *at; at++) {
        if (*at == '/' || *at == '\\')
            name = at + 1;
    }
    return name;
}

void AppendIndexRow(const ReportDemo& demo, const char* href, std::string* rows)
{
    const DemoStructure& structure = *demo.structure;
    const DemoTimeline& timeline = *demo.timeline;
    rows->append("<tr><td><a href=\"");
    AppendHrefPath(rows, href);
    rows->append("\" title=\"");
    AppendHtmlText(rows, demo.path);
    rows->append("\">");
    AppendHtmlText(rows, FileName(demo.path));
    rows->append("</a></td>");
    Cell(rows, structure.header.mapName);
    long long seconds = structure.duration >= 0 && structure.duration < 1e9f ? (long long)structure.duration : 0;
    rows->append("<td class=\"n\" data-sort=\"");
    AppendJsonInteger(rows, seconds);
    rows->append("\">");
    AppendJsonInteger(rows, seconds / 60);
    rows->push_back(':');
    rows->push_back((char)('0' + seconds % 60 / 10));
    rows->push_back((char)('0' + seconds % 10));
    rows->append("</td>");
    const char* recorder = "";
    for (const TimelinePlayer& player : timeline.players) {
        if (player.slot == timeline.recorderSlot)
            recorder = player.name;
    }
    Cell(rows, recorder);
    NumberCell(rows, (long long)timeline.players.size());
    const TimelineEvent* last = LastRoundEnd(timeline);
    if (last) {
        // Sorts by the rounds played.
        rows->append("<td data-sort=\"");
        AppendJsonInteger(rows, (long long)last->scoreT + last->scoreCT);
        rows->append("\"><span class=\"t\">");
        AppendJsonInteger(rows, last->scoreT);
        rows->append("</span> : <span class=\"ct\">");
        AppendJsonInteger(rows, last->scoreCT);
        rows->append("</span></td>");
    } else {
        rows->append("<td data-sort=\"-1\">-</td>");
    }
    long long kills = 0;
    for (const TimelineEvent& event : timeline.events)
        kills += event.type == EVENT_KILL;
    NumberCell(rows, kills);
    Cell(rows, DemoStateName(structure.state));
    Cell(rows, demo.fileDate);
    rows->append("</tr>\n");
}

void AppendUnreadIndexRow(const char* path, const char* reason, std::string* rows)
{
    rows->append("<tr class=\"unread\"><td title=\"");
    AppendHtmlText(rows, path);
    rows->append("\">");
    AppendHtmlText(rows, FileName(path));
    rows->append("</td>");
    rows->append("<td></td><td class=\"n\" data-sort=\"-1\"></td><td></td><td class=\"n\" data-sort=\"-1\"></td>"
                 "<td data-sort=\"-2\"></td><td class=\"n\" data-sort=\"-1\"></td><td class=\"bad\">no page: ");
    AppendHtmlText(rows, reason);
    rows->append("</td><td></td></tr>\n");
}

void BuildReportIndex(const std::string& rows, size_t demoCount, std::string* page)
{
    page->clear();
    AppendReportStart(page, "Demo reports");
    page->append("<header><h1>Demo reports</h1></header>\n<main>\n<p>");
    AppendJsonInteger(page, (long long)demoCount);
    page->append(" demos. Click a column's title to sort by it.</p>\n"
                 "<table class=\"sortable\" id=\"demos\">\n<thead><tr><th>Demo</th><th>Map</th>"
                 "<th class=\"n\">Duration</th><th>Recorder</th><th class=\"n\">Players</th><th>Score T : CT</th>"
                 "<th class=\"n\">Kills</th><th>State</th><th>File date</th></tr></thead>\n<tbody>\n");
    page->append(rows);
    page->append("</tbody>\n</table>\n</main>\n");
    AppendReportEnd(page);
}
