#include <string.h>

#include "cli/cli_commands.h"
#include "cli/cli_json.h"
#include "cli/cli_timeline.h"
#include "shared/text.h"

// Messages, names and texts here are kept as far as their buffers reach: a
// cut one still reads, so the bounded copies marked (void) do not fail on it.

static void Field(std::string* out, const char* name)
{
    out->push_back(',');
    AppendJsonText(out, name);
    out->push_back(':');
}

static void TextField(std::string* out, const char* name, const char* value)
{
    Field(out, name);
    AppendJsonText(out, value);
}

static void IntegerField(std::string* out, const char* name, long long value)
{
    Field(out, name);
    AppendJsonInteger(out, value);
}

static void TeamField(std::string* out, TimelineTeam team)
{
    Field(out, "team");
    if (team == TEAM_NONE)
        out->append("null");
    else
        AppendJsonText(out, TeamName(team));
}

static void PlayerAsJson(std::string* out, const TimelinePlayer& player)
{
    out->append("{\"slot\":");
    AppendJsonInteger(out, player.slot);
    IntegerField(out, "entity", player.entity);
    TextField(out, "name", player.name);
    Field(out, "steamId");
    if (player.steamId[0])
        AppendJsonText(out, player.steamId);
    else
        out->append("null");
    out->append(player.bot ? ",\"bot\":true" : ",\"bot\":false");
    out->append(player.hltv ? ",\"hltv\":true" : ",\"hltv\":false");
    TeamField(out, player.team);
    IntegerField(out, "frags", player.frags);
    IntegerField(out, "deaths", player.deaths);
    out->push_back('}');
}

static void EventAsJson(std::string* out, const TimelineEvent& event)
{
    out->append("{\"time\":");
    AppendJsonFloat(out, event.time);
    TextField(out, "type", EventTypeName(event.type));
    switch (event.type) {
    case EVENT_KILL:
        IntegerField(out, "killer", event.killer);
        TextField(out, "killerName", event.killerName);
        IntegerField(out, "victim", event.victim);
        TextField(out, "victimName", event.victimName);
        TextField(out, "weapon", event.weapon);
        out->append(event.headshot ? ",\"headshot\":true" : ",\"headshot\":false");
        break;
    case EVENT_ROUND_END:
        IntegerField(out, "round", event.round);
        TextField(out, "winner", WinnerName(event.winner));
        TextField(out, "reason", event.reason);
        out->append(",\"score\":{\"T\":");
        AppendJsonInteger(out, event.scoreT);
        out->append(",\"CT\":");
        AppendJsonInteger(out, event.scoreCT);
        out->push_back('}');
        break;
    case EVENT_CHAT:
        TextField(out, "kind", ChatKindName(event.kind));
        IntegerField(out, "sender", event.entity);
        TextField(out, "name", event.name);
        TextField(out, "text", event.text);
        TextField(out, "foundBy", event.foundByPattern ? "pattern" : "decode");
        break;
    case EVENT_NAME_CHANGE:
        IntegerField(out, "entity", event.entity);
        TextField(out, "from", event.name);
        TextField(out, "to", event.text);
        break;
    case EVENT_JOIN:
    case EVENT_LEAVE:
        IntegerField(out, "slot", event.slot);
        TextField(out, "name", event.name);
        break;
    case EVENT_TEAM:
        IntegerField(out, "entity", event.entity);
        TextField(out, "name", event.name);
        TeamField(out, event.team);
        break;
    }
    out->push_back('}');
}

static void EventsAsJson(const char* path, const DemoTimeline& timeline, std::string* out)
{
    out->append("{\"path\":");
    AppendJsonText(out, path);
    out->append(",\"decoded\":");
    AppendCoverageJson(out, timeline.decoded);
    out->append(",\"recorder\":");
    AppendRecorderJson(out, timeline);
    out->append(",\"players\":[");
    for (size_t i = 0; i < timeline.players.size(); i++) {
        if (i)
            out->push_back(',');
        PlayerAsJson(out, timeline.players[i]);
    }
    out->append("],\"events\":[");
    for (size_t i = 0; i < timeline.events.size(); i++) {
        if (i)
            out->push_back(',');
        EventAsJson(out, timeline.events[i]);
    }
    out->append("]}\n");
}

static void DemoText(std::string* out, const char* text)
{
    AppendTerminalText(out, text, strlen(text));
}

// A name, or what stands for none: the world kills too.
static void NameText(std::string* out, const char* name, int entity)
{
    if (entity == 0)
        out->append("(world)");
    else if (name[0])
        DemoText(out, name);
    else
        out->append("(unnamed)");
}

// One line as chat prints its lines: time, kind or type, the player's entity
// (the killer's for a kill; none for a round end), then what happened.
static void EventAsText(std::string* out, const TimelineEvent& event)
{
    char text[TIMELINE_REASON_SIZE + 64];
    switch (event.type) {
    case EVENT_KILL:
        AppendEventStart(out, event.time, "kill", event.killer);
        NameText(out, event.killerName, event.killer);
        out->append(" killed ");
        NameText(out, event.victimName, event.victim);
        out->append(" with ");
        DemoText(out, event.weapon);
        if (event.headshot)
            out->append(", headshot");
        break;
    case EVENT_ROUND_END:
        AppendEventStart(out, event.time, "round-end", -1);
        (void)FormatText(text, sizeof text, "round %d: %s", event.round,
                         event.winner == WINNER_DRAW ? "draw" : event.winner == WINNER_T ? "T won" : "CT won");
        out->append(text);
        out->append(" (");
        DemoText(out, event.reason);
        (void)FormatText(text, sizeof text, "), T %d, CT %d", event.scoreT, event.scoreCT);
        out->append(text);
        break;
    case EVENT_CHAT:
    case EVENT_NAME_CHANGE:
        AppendChatLine(out, event);
        return;
    case EVENT_JOIN:
    case EVENT_LEAVE:
        AppendEventStart(out, event.time, EventTypeName(event.type), event.slot + 1);
        NameText(out, event.name, event.slot + 1);
        break;
    case EVENT_TEAM:
        AppendEventStart(out, event.time, "team", event.entity);
        NameText(out, event.name, event.entity);
        out->append(": ");
        out->append(event.team == TEAM_NONE ? "none" : TeamName(event.team));
        break;
    }
    out->push_back('\n');
}

static void EventsAsText(const char* path, const DemoTimeline& timeline, std::string* out)
{
    DemoText(out, path);
    out->push_back('\n');
    const DecodeCoverage& coverage = timeline.decoded;
    if (coverage.framesDecoded < coverage.frames) {
        // Events of the frames that did not decode are missing: say so first.
        char text[STRUCTURE_PROBLEM_SIZE + 160];
        FormatCoverage(text, sizeof text, coverage);
        out->append("  decoded ");
        out->append(text);
        out->push_back('\n');
        if (coverage.failed) {
            FormatFirstFailure(text, sizeof text, coverage.firstFailure);
            out->append("  first failure at ");
            DemoText(out, text);
            out->push_back('\n');
        }
    }
    for (const TimelineEvent& event : timeline.events)
        EventAsText(out, event);
    if (timeline.events.empty())
        out->append("  (no events)\n");
}

void ListEvents(const CliOptions& options, const char* path, DemoScratch* scratch, FileOutcome* outcome)
{
    DecodeScratchDemo(scratch);
    if (options.json)
        EventsAsJson(path, scratch->timeline, &outcome->out);
    else
        EventsAsText(path, scratch->timeline, &outcome->out);
}
