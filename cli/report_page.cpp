#include "cli/report_page.h"

#include <math.h>
#include <string.h>

#include <algorithm>

#include "cli/cli_commands.h"
#include "cli/cli_json.h"
#include "cli/html_escape.h"
#include "cli/report_plot.h"
#include "cli/report_rounds.h"
#include "cli/report_template.h"
#include "shared/text.h"

// Numbers and times here are formatted into buffers far larger than they
// can grow, so the bounded formats marked (void) do not fail.

static const char* FileName(const char* path)
{
    const char* name = path;
    for (const char* at = path; *at; at++) {
        if (*at == '/' || *at == '\\')
            name = at + 1;
    }
    return name;
}

// "m:ss" of a duration; "-" when it is not a number of seconds.
static void FormatDuration(char* dest, size_t size, float seconds)
{
    if (!isfinite(seconds) || seconds < 0 || seconds > 1e9f) {
        (void)CopyText(dest, size, "-");
        return;
    }
    long long whole = (long long)seconds;
    (void)FormatText(dest, size, "%lld:%02lld", whole / 60, whole % 60);
}

static void AppendNumber(std::string* out, long long value)
{
    AppendJsonInteger(out, value);
}

static void AppendInt(std::string* out, const char* before, long long value, const char* after)
{
    out->append(before);
    AppendNumber(out, value);
    out->append(after);
}

// A cell showing a time, sorting by its seconds.
static void AppendTimeCell(std::string* out, float seconds)
{
    char text[32];
    FormatChatTime(text, sizeof text, seconds);
    out->append("<td class=\"n\" data-sort=\"");
    AppendJsonFloat(out, seconds);
    out->append("\">");
    AppendHtmlText(out, text);
    out->append("</td>");
}

static void AppendName(std::string* out, const char* name, TimelineTeam team)
{
    out->append("<span class=\"");
    out->append(TeamClass(team));
    out->append("\">");
    AppendHtmlText(out, name);
    out->append("</span>");
}

static const TimelinePlayer* Recorder(const DemoTimeline& timeline)
{
    for (const TimelinePlayer& player : timeline.players) {
        if (timeline.recorderSlot >= 0 && player.slot == timeline.recorderSlot)
            return &player;
    }
    return NULL;
}

static void Fact(std::string* out, const char* label, const char* value)
{
    out->append("<dt>");
    out->append(label);
    out->append("</dt><dd>");
    AppendHtmlText(out, value);
    out->append("</dd>\n");
}

static void AppendCoverage(std::string* out, const DemoTimeline& timeline)
{
    const DecodeCoverage& coverage = timeline.decoded;
    char text[160];
    out->append("<dt>Decoded</dt><dd>");
    if (!timeline.decodable) {
        out->append("not decodable (a WON-era recording); its chat was found by a pattern search");
    } else {
        double share = coverage.messageBytes ? 100.0 * (double)coverage.messageBytesDecoded /
                                                   (double)coverage.messageBytes : 100.0;
        // Never round a part up to the whole.
        share = floor(share * 10.0) / 10.0;
        (void)FormatText(text, sizeof text, "%u of %u net-message frames, %llu of %llu message bytes (%.1f%%)",
                         coverage.framesDecoded, coverage.frames, (unsigned long long)coverage.messageBytesDecoded,
                         (unsigned long long)coverage.messageBytes, share);
        AppendHtmlText(out, text);
        if (coverage.failed) {
            (void)FormatText(text, sizeof text, "; the first frame not decoded is at offset %llu (message %d): ",
                             (unsigned long long)coverage.firstFailure.offset, coverage.firstFailure.messageId);
            out->append("<span class=\"bad\">");
            AppendHtmlText(out, text);
            AppendHtmlText(out, coverage.firstFailure.reason);
            out->append("</span>");
        }
    }
    out->append("</dd>\n");
}

static void AppendFacts(std::string* out, const ReportDemo& demo)
{
    const DemoStructure& structure = *demo.structure;
    const DemoTimeline& timeline = *demo.timeline;
    char text[160];
    out->append("<dl class=\"facts\">\n");
    (void)FormatText(text, sizeof text, "%s (%s)", structure.header.mapName, structure.header.gameDir);
    Fact(out, "Map", text);
    if (timeline.serverName[0] || timeline.maxPlayers) {
        out->append("<dt>Server</dt><dd>");
        AppendHtmlText(out, timeline.serverName[0] ? timeline.serverName : "(no name)");
        if (timeline.maxPlayers)
            AppendInt(out, ", for up to ", timeline.maxPlayers, " players");
        out->append("</dd>\n");
    }
    out->append("<dt>Recorder</dt><dd>");
    const TimelinePlayer* recorder = Recorder(timeline);
    if (recorder) {
        AppendName(out, recorder->name, recorder->team);
        out->append(" ");
        AppendHtmlText(out, recorder->steamId[0] ? recorder->steamId : "(no SteamID)");
    } else {
        out->append("unknown");
    }
    out->append("</dd>\n");
    FormatDuration(text, sizeof text, structure.duration);
    Fact(out, "Duration", text);
    (void)FormatText(text, sizeof text, "demo %d, network %d", (int)structure.header.demoProtocol,
                     (int)structure.header.networkProtocol);
    Fact(out, "Protocols", text);
    if (structure.viewportWidth > 0 && structure.viewportHeight > 0)
        (void)FormatText(text, sizeof text, "%dx%d", structure.viewportWidth, structure.viewportHeight);
    else
        (void)CopyText(text, sizeof text, "none recorded");
    Fact(out, "Viewport", text);
    out->append("<dt>State</dt><dd>");
    AppendHtmlText(out, DemoStateName(structure.state));
    if (structure.problem[0]) {
        out->append(": <span class=\"note\">");
        AppendHtmlText(out, structure.problem);
        out->append("</span>");
    }
    out->append("</dd>\n");
    AppendCoverage(out, timeline);
    out->append("<dt>File</dt><dd>");
    AppendHtmlText(out, demo.path);
    if (demo.fileDate[0]) {
        out->append(", ");
        AppendHtmlText(out, demo.fileDate);
    }
    out->append("</dd>\n</dl>\n");
}

static bool ByFrags(const TimelinePlayer* a, const TimelinePlayer* b)
{
    if (a->frags != b->frags)
        return a->frags > b->frags;
    return a->deaths < b->deaths;
}

static void AppendScoreboard(std::string* out, const DemoTimeline& timeline)
{
    out->append("<section id=\"scoreboard\">\n<h2>Scoreboard</h2>\n");
    if (timeline.players.empty())
        out->append("<p class=\"note\">No players were decoded.</p>\n");
    static const TimelineTeam order[] = {TEAM_T, TEAM_CT, TEAM_SPECTATOR, TEAM_UNASSIGNED, TEAM_NONE};
    for (TimelineTeam team : order) {
        std::vector<const TimelinePlayer*> members;
        for (const TimelinePlayer& player : timeline.players) {
            if (player.team == team)
                members.push_back(&player);
        }
        if (members.empty())
            continue;
        std::stable_sort(members.begin(), members.end(), ByFrags);
        out->append("<h3 class=\"");
        out->append(TeamClass(team));
        out->append("\">");
        out->append(TeamTitle(team));
        out->append("</h3>\n<table class=\"sortable players\">\n<thead><tr><th>Name</th><th>SteamID</th><th class=\"n\">Frags</th>"
                    "<th class=\"n\">Deaths</th><th>Notes</th></tr></thead>\n<tbody>\n");
        for (const TimelinePlayer* player : members) {
            out->append("<tr><td>");
            AppendName(out, player->name, team);
            out->append("</td><td>");
            AppendHtmlText(out, player->steamId);
            AppendInt(out, "</td><td class=\"n\">", player->frags, "</td>");
            AppendInt(out, "<td class=\"n\">", player->deaths, "</td><td>");
            if (player->bot)
                out->append("<span class=\"mark\">BOT</span>");
            if (player->hltv)
                out->append("<span class=\"mark\">HLTV</span>");
            if (player->slot == timeline.recorderSlot)
                out->append("<span class=\"mark\">recorder</span>");
            if (!player->present)
                out->append("<span class=\"mark\">left</span>");
            out->append("</td></tr>\n");
        }
        out->append("</tbody>\n</table>\n");
    }
    out->append("</section>\n");
}

static void AppendWinner(std::string* out, RoundWinner winner)
{
    if (winner == WINNER_T)
        out->append("<td class=\"t\" data-sort=\"T\">Terrorists</td>");
    else if (winner == WINNER_CT)
        out->append("<td class=\"ct\" data-sort=\"CT\">Counter-Terrorists</td>");
    else
        out->append("<td data-sort=\"draw\">Draw</td>");
}

static void AppendRounds(std::string* out, const std::vector<ReportRound>& rounds)
{
    out->append("<section id=\"rounds\">\n<h2>Rounds</h2>\n");
    bool anyEnded = false;
    for (const ReportRound& round : rounds)
        anyEnded = anyEnded || round.ending;
    if (!anyEnded) {
        out->append("<p class=\"note\">No round ended in this recording.</p>\n</section>\n");
        return;
    }
    out->append("<table class=\"sortable\">\n<thead><tr><th class=\"n\">Round</th><th>Winner</th><th>Reason</th>"
                "<th class=\"n\">T</th><th class=\"n\">CT</th><th class=\"n\">Length</th><th class=\"n\">Kills</th>"
                "</tr></thead>\n<tbody>\n");
    char text[32];
    for (const ReportRound& round : rounds) {
        out->append(round.ending ? "<tr>" : "<tr class=\"unfinished\">");
        AppendInt(out, "<td class=\"n\">", round.number, "</td>");
        if (round.ending) {
            const TimelineEvent& ending = *round.ending;
            AppendWinner(out, ending.winner);
            out->append("<td data-key=\"");
            AppendHtmlText(out, ending.reason);
            out->append("\">");
            const char* words = RoundReasonWords(ending.reason);
            AppendHtmlText(out, words ? words : ending.reason);
            AppendInt(out, "</td><td class=\"n\">", ending.scoreT, "</td>");
            AppendInt(out, "<td class=\"n\">", ending.scoreCT, "</td>");
        } else {
            out->append("<td>-</td><td class=\"note\">not finished when the recording ends</td><td></td><td></td>");
        }
        FormatDuration(text, sizeof text, round.end - round.start);
        out->append("<td class=\"n\" data-sort=\"");
        AppendJsonFloat(out, round.end - round.start);
        out->append("\">");
        AppendHtmlText(out, text);
        AppendInt(out, "</td><td class=\"n\">", round.kills, "</td></tr>\n");
    }
    out->append("</tbody>\n</table>\n</section>\n");
}

// A name the demo never gave shows the entity: "(world)" or "(entity N)".
static void AppendKillName(std::string* out, int entity, const char* name, TimelineTeam team)
{
    char text[32];
    if (!name[0] && entity == 0)
        (void)CopyText(text, sizeof text, "(world)");
    else if (!name[0])
        (void)FormatText(text, sizeof text, "(entity %d)", entity);
    AppendName(out, name[0] ? name : text, team);
}

static void AppendKills(std::string* out, const DemoTimeline& timeline)
{
    out->append("<section id=\"kills\">\n<h2>Kills</h2>\n");
    TimelineTeam teams[TEAM_ENTITY_COUNT];
    StartTeams(timeline, teams);
    std::string rows;
    for (const TimelineEvent& event : timeline.events) {
        NoteTeamChange(event, teams);
        if (event.type != EVENT_KILL)
            continue;
        rows.append("<tr>");
        AppendTimeCell(&rows, event.time);
        rows.append("<td>");
        AppendKillName(&rows, event.killer, event.killerName, TeamOf(teams, event.killer));
        rows.append("</td><td>");
        AppendHtmlText(&rows, event.weapon);
        rows.append(event.headshot ? "</td><td><span class=\"hs\" title=\"headshot\">HS</span></td><td>"
                                   : "</td><td></td><td>");
        AppendKillName(&rows, event.victim, event.victimName, TeamOf(teams, event.victim));
        rows.append("</td></tr>\n");
    }
    if (rows.empty()) {
        out->append("<p class=\"note\">No kills.</p>\n</section>\n");
        return;
    }
    out->append("<table class=\"sortable\">\n<thead><tr><th class=\"n\">Time</th><th>Killer</th><th>Weapon</th>"
                "<th>Headshot</th><th>Victim</th></tr></thead>\n<tbody>\n");
    out->append(rows);
    out->append("</tbody>\n</table>\n</section>\n");
}

static void AppendChatRow(std::string* rows, float time, ChatKind kind, const char* name, TimelineTeam team,
                          const char* text)
{
    bool teamChat = kind == CHAT_TEAM || kind == CHAT_TEAM_DEAD;
    rows->append(teamChat ? "<tr class=\"teamchat\">" : "<tr>");
    AppendTimeCell(rows, time);
    rows->append(teamChat ? "<td class=\"team\">" : "<td>");
    AppendHtmlText(rows, ChatKindName(kind));
    rows->append("</td><td>");
    AppendName(rows, name, team);
    rows->append("</td><td>");
    AppendHtmlText(rows, text);
    rows->append("</td></tr>\n");
}

// Chat as decoded; a demo that cannot be decoded has what a pattern search
// found, and says so.
static void AppendChat(std::string* out, const DemoTimeline& timeline)
{
    out->append("<section id=\"chat\">\n<h2>Chat</h2>\n");
    std::string rows;
    bool byPattern = false;
    TimelineTeam teams[TEAM_ENTITY_COUNT];
    StartTeams(timeline, teams);
    for (const TimelineEvent& event : timeline.events) {
        NoteTeamChange(event, teams);
        if (event.type != EVENT_CHAT)
            continue;
        byPattern = byPattern || event.foundByPattern;
        AppendChatRow(&rows, event.time, event.kind, event.name, TeamOf(teams, event.entity), event.text);
    }
    if (rows.empty()) {
        out->append("<p class=\"note\">No chat.</p>\n</section>\n");
        return;
    }
    if (byPattern)
        out->append("<p class=\"note\">Found by a pattern search: this recording cannot be decoded.</p>\n");
    out->append("<table>\n<thead><tr><th class=\"n\">Time</th><th>Kind</th><th>Sender</th><th>Text</th></tr>"
                "</thead>\n<tbody>\n");
    out->append(rows);
    out->append("</tbody>\n</table>\n</section>\n");
}

void BuildReportPage(const ReportDemo& demo, std::string* page)
{
    std::vector<ReportRound> rounds;
    CollectRounds(*demo.timeline, &rounds);
    std::string title = std::string(FileName(demo.path)) + " - " + demo.structure->header.mapName;
    page->clear();
    AppendReportStart(page, title.c_str());
    page->append("<header><h1>");
    AppendHtmlText(page, FileName(demo.path));
    page->append("</h1></header>\n<main>\n<section id=\"facts\">\n");
    AppendFacts(page, demo);
    page->append("</section>\n");
    AppendScoreboard(page, *demo.timeline);
    AppendRounds(page, rounds);
    AppendKills(page, *demo.timeline);
    AppendChat(page, *demo.timeline);
    AppendPlot(*demo.timeline, rounds, page);
    page->append("</main>\n");
    AppendReportEnd(page);
}
