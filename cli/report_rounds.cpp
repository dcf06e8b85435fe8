#include "cli/report_rounds.h"

#include <string.h>

struct ReasonWords {
    const char* key;
    const char* words;
};

// Every key the game sends when a round ends, and the one that ends warm-up.
static const ReasonWords reasons[] = {
    {"#Target_Bombed", "Target bombed"},
    {"#VIP_Escaped", "VIP escaped"},
    {"#VIP_Assassinated", "VIP assassinated"},
    {"#Terrorists_Escaped", "Terrorists escaped"},
    {"#CTs_PreventEscape", "CTs prevented the escape"},
    {"#Escaping_Terrorists_Neutralized", "Escaping Terrorists neutralized"},
    {"#Bomb_Defused", "Bomb defused"},
    {"#CTs_Win", "Counter-Terrorists win"},
    {"#Terrorists_Win", "Terrorists win"},
    {"#Round_Draw", "Round draw"},
    {"#All_Hostages_Rescued", "All hostages rescued"},
    {"#Target_Saved", "Target saved"},
    {"#Hostages_Not_Rescued", "Hostages not rescued"},
    {"#Terrorists_Not_Escaped", "Terrorists did not escape"},
    {"#VIP_Not_Escaped", "VIP did not escape"},
    {"#Game_Commencing", "Game commencing"},
};

const char* RoundReasonWords(const char* key)
{
    for (const ReasonWords& row : reasons) {
        if (strcmp(row.key, key) == 0)
            return row.words;
    }
    return NULL;
}

const char* TeamClass(TimelineTeam team)
{
    return team == TEAM_T ? "t" : team == TEAM_CT ? "ct" : "none";
}

const char* TeamTitle(TimelineTeam team)
{
    switch (team) {
    case TEAM_T: return "Terrorists";
    case TEAM_CT: return "Counter-Terrorists";
    case TEAM_SPECTATOR: return "Spectators";
    case TEAM_UNASSIGNED: return "Unassigned";
    default: return "No team";
    }
}

void CollectRounds(const DemoTimeline& timeline, std::vector<ReportRound>* rounds)
{
    rounds->clear();
    if (timeline.events.empty())
        return;
    ReportRound open = {1, 0.0f, 0.0f, NULL, 0};
    bool anything = false;  // the open round holds an event
    for (const TimelineEvent& event : timeline.events) {
        anything = true;
        open.end = event.time > open.end ? event.time : open.end;
        if (event.type == EVENT_KILL)
            open.kills++;
        if (event.type == EVENT_ROUND_END) {
            // The game's own count, which a restart starts again.
            open.number = event.round;
            open.ending = &event;
            open.end = event.time;
            rounds->push_back(open);
            open = ReportRound{open.number + 1, event.time, event.time, NULL, 0};
            anything = false;
        }
    }
    if (anything)
        rounds->push_back(open);
}

static bool IsEntity(int entity)
{
    return entity >= 0 && entity < TEAM_ENTITY_COUNT;
}

void StartTeams(const DemoTimeline& timeline, TimelineTeam teams[TEAM_ENTITY_COUNT])
{
    for (int i = 0; i < TEAM_ENTITY_COUNT; i++)
        teams[i] = TEAM_NONE;
    for (const TimelinePlayer& player : timeline.players) {
        if (IsEntity(player.entity))
            teams[player.entity] = player.team;
    }
}

void NoteTeamChange(const TimelineEvent& event, TimelineTeam teams[TEAM_ENTITY_COUNT])
{
    if (event.type == EVENT_TEAM && IsEntity(event.entity))
        teams[event.entity] = event.team;
}

TimelineTeam TeamOf(const TimelineTeam teams[TEAM_ENTITY_COUNT], int entity)
{
    return IsEntity(entity) ? teams[entity] : TEAM_NONE;
}
