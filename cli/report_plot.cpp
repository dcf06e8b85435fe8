#include "cli/report_plot.h"

#include <math.h>

#include "cli/cli_json.h"
#include "cli/html_escape.h"

enum {
    MOST_PATH_POINTS = 30000,      // keeps a long demo's page small; the path is thinned to fit
    LARGEST_COORDINATE = 32768     // beyond any map; a position out there is no position
};
static const float PATH_JUMP = 512.0f;  // a longer step between samples is a respawn or a teleport

struct Bounds {
    bool any;
    float minX, minY, maxX, maxY;
};

static bool Usable(float x, float y)
{
    return isfinite(x) && isfinite(y) && fabsf(x) <= LARGEST_COORDINATE && fabsf(y) <= LARGEST_COORDINATE;
}

static void Include(Bounds* bounds, float x, float y)
{
    if (!Usable(x, y))
        return;
    if (!bounds->any) {
        *bounds = Bounds{true, x, y, x, y};
        return;
    }
    bounds->minX = fminf(bounds->minX, x);
    bounds->maxX = fmaxf(bounds->maxX, x);
    bounds->minY = fminf(bounds->minY, y);
    bounds->maxY = fmaxf(bounds->maxY, y);
}

static Bounds Visited(const DemoTimeline& timeline)
{
    Bounds bounds = {false, 0, 0, 0, 0};
    for (const PositionSample& sample : timeline.recorderPath)
        Include(&bounds, sample.x, sample.y);
    for (const TimelineEvent& event : timeline.events) {
        if (event.type != EVENT_KILL)
            continue;
        if (event.killerAt.known)
            Include(&bounds, event.killerAt.x, event.killerAt.y);
        if (event.victimAt.known)
            Include(&bounds, event.victimAt.x, event.victimAt.y);
    }
    for (const RoundEndPosition& position : timeline.roundEnds)
        Include(&bounds, position.x, position.y);
    return bounds;
}

// World x/y to the drawing: y grows downward there, so north stays up.
static void AppendPoint(std::string* out, float x, float y)
{
    AppendJsonInteger(out, lroundf(x));
    out->push_back(',');
    AppendJsonInteger(out, -lroundf(y));
}

static void AppendAttribute(std::string* out, const char* name, long value)
{
    out->push_back(' ');
    out->append(name);
    out->append("=\"");
    AppendJsonInteger(out, value);
    out->push_back('"');
}

// The recorder's path within one round, as runs of points at least step
// apart; a jump starts a new run. Returns the points written.
static size_t AppendPath(std::string* out, const std::vector<PositionSample>& path, size_t from, size_t to,
                         float step)
{
    size_t points = 0;
    std::string run;
    size_t runPoints = 0;
    float lastX = 0, lastY = 0, keptX = 0, keptY = 0;
    bool started = false;
    for (size_t i = from; i <= to; i++) {
        bool end = i == to;
        const PositionSample* sample = end ? NULL : &path[i];
        bool usable = sample && Usable(sample->x, sample->y);
        bool jump = usable && started && hypotf(sample->x - lastX, sample->y - lastY) > PATH_JUMP;
        if (end || jump || (sample && !usable)) {
            if (runPoints >= 2) {
                out->append("<polyline points=\"");
                out->append(run);
                out->append("\"/>\n");
                points += runPoints;
            }
            run.clear();
            runPoints = 0;
            started = false;
        }
        if (!usable)
            continue;
        if (!started || hypotf(sample->x - keptX, sample->y - keptY) >= step) {
            if (runPoints)
                run.push_back(' ');
            AppendPoint(&run, sample->x, sample->y);
            runPoints++;
            keptX = sample->x;
            keptY = sample->y;
        }
        lastX = sample->x;
        lastY = sample->y;
        started = true;
    }
    return points;
}

static const char* PlayerName(const DemoTimeline& timeline, int entity)
{
    for (const TimelinePlayer& player : timeline.players) {
        if (player.entity == entity)
            return player.name;
    }
    return "";
}

static void AppendKill(std::string* out, const TimelineEvent& kill, TimelineTeam killerTeam, long radius)
{
    if (!kill.victimAt.known || !Usable(kill.victimAt.x, kill.victimAt.y))
        return;
    std::string title = "<title>";
    AppendHtmlText(&title, kill.killerName);
    title.append(" killed ");
    AppendHtmlText(&title, kill.victimName);
    title.append(" (");
    AppendHtmlText(&title, kill.weapon);
    title.append(kill.headshot ? ", headshot)</title>" : ")</title>");
    if (kill.killerAt.known && Usable(kill.killerAt.x, kill.killerAt.y) && kill.killer != kill.victim) {
        out->append("<line class=\"");
        out->append(TeamClass(killerTeam));
        out->push_back('"');
        AppendAttribute(out, "x1", lroundf(kill.killerAt.x));
        AppendAttribute(out, "y1", -lroundf(kill.killerAt.y));
        AppendAttribute(out, "x2", lroundf(kill.victimAt.x));
        AppendAttribute(out, "y2", -lroundf(kill.victimAt.y));
        out->append(">");
        out->append(title);
        out->append("</line>\n");
    }
    out->append("<circle class=\"victim\"");
    AppendAttribute(out, "cx", lroundf(kill.victimAt.x));
    AppendAttribute(out, "cy", -lroundf(kill.victimAt.y));
    AppendAttribute(out, "r", radius);
    out->append(">");
    out->append(title);
    out->append("</circle>\n");
}

static void AppendRoundEnd(std::string* out, const DemoTimeline& timeline, const RoundEndPosition& position,
                           long radius)
{
    if (!Usable(position.x, position.y))
        return;
    out->append("<circle class=\"");
    out->append(TeamClass(position.team));
    out->push_back('"');
    AppendAttribute(out, "cx", lroundf(position.x));
    AppendAttribute(out, "cy", -lroundf(position.y));
    AppendAttribute(out, "r", radius);
    out->append("><title>");
    AppendHtmlText(out, PlayerName(timeline, position.entity));
    out->append("</title></circle>\n");
}

// Everything drawn for the rounds, one group each; the path thinned by step.
static size_t AppendGroups(std::string* out, const DemoTimeline& timeline, const std::vector<ReportRound>& rounds,
                           float step, long radius)
{
    TimelineTeam teams[TEAM_ENTITY_COUNT];
    StartTeams(timeline, teams);
    const std::vector<PositionSample>& path = timeline.recorderPath;
    size_t groups = rounds.empty() ? 1 : rounds.size();
    size_t sample = 0, event = 0, endAt = 0, points = 0;
    for (size_t group = 0; group < groups; group++) {
        bool last = group + 1 == groups;
        out->append("<g data-round=\"");
        AppendJsonInteger(out, (long long)group + 1);
        out->append("\">\n");
        size_t first = sample;
        while (sample < path.size() && (last || path[sample].time <= rounds[group].end))
            sample++;
        points += AppendPath(out, path, first, sample, step);
        // Kills in event order: one that ends a round belongs to it.
        while (event < timeline.events.size()) {
            const TimelineEvent& item = timeline.events[event++];
            NoteTeamChange(item, teams);
            if (item.type == EVENT_KILL)
                AppendKill(out, item, TeamOf(teams, item.killer), radius);
            if (item.type == EVENT_ROUND_END && !last)
                break;
        }
        // The positions come in round order; after a restart a number comes again.
        while (!rounds.empty() && rounds[group].ending && endAt < timeline.roundEnds.size() &&
               timeline.roundEnds[endAt].round == rounds[group].ending->round)
            AppendRoundEnd(out, timeline, timeline.roundEnds[endAt++], radius * 2 / 3 + 1);
        out->append("</g>\n");
    }
    return points;
}

static void AppendSelector(std::string* out, const std::vector<ReportRound>& rounds)
{
    out->append("<p id=\"plot-controls\" hidden><label for=\"round-pick\">Show </label>"
                "<select id=\"round-pick\"><option value=\"all\">every round</option>");
    for (size_t i = 0; i < rounds.size(); i++) {
        const ReportRound& round = rounds[i];
        out->append("<option value=\"");
        AppendJsonInteger(out, (long long)i + 1);
        out->append("\">round ");
        AppendJsonInteger(out, round.number);
        out->append(round.ending ? "" : " (not finished)");
        out->append("</option>");
    }
    out->append("</select></p>\n");
}

void AppendPlot(const DemoTimeline& timeline, const std::vector<ReportRound>& rounds, std::string* out)
{
    out->append("<section id=\"plot\">\n<h2>Map of the action</h2>\n");
    Bounds bounds = Visited(timeline);
    if (!bounds.any) {
        out->append("<p class=\"note\">No positions were decoded.</p>\n</section>\n");
        return;
    }
    if (rounds.size() > 1)
        AppendSelector(out, rounds);
    float width = bounds.maxX - bounds.minX, height = bounds.maxY - bounds.minY;
    float extent = fmaxf(fmaxf(width, height), 256.0f);
    float margin = extent * 0.04f;
    // A narrow area gets room around it, so it is not drawn as a sliver.
    float padX = (fmaxf(width, extent / 4) - width) / 2 + margin;
    float padY = (fmaxf(height, extent / 4) - height) / 2 + margin;
    long radius = lroundf(extent / 120);
    if (radius < 4)
        radius = 4;
    out->append("<svg class=\"plot\" xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" "
                "aria-label=\"Top-down plot, north up\" viewBox=\"");
    AppendJsonInteger(out, lroundf(bounds.minX - padX));
    out->push_back(' ');
    AppendJsonInteger(out, -lroundf(bounds.maxY + padY));
    out->push_back(' ');
    AppendJsonInteger(out, lroundf(width + 2 * padX));
    out->push_back(' ');
    AppendJsonInteger(out, lroundf(height + 2 * padY));
    out->append("\">\n");
    float step = extent / 500;
    std::string groups;
    while (AppendGroups(&groups, timeline, rounds, step, radius) > MOST_PATH_POINTS) {
        groups.clear();
        step *= 2;
    }
    out->append(groups);
    out->append("</svg>\n<ul class=\"legend\"><li>grey line: the recorder's path</li>"
                "<li>coloured line: from the killer to where the victim died (white ring)</li>"
                "<li>dots: everyone's place when the round ended (red T, blue CT)</li>"
                "<li>north is up</li></ul>\n</section>\n");
}
