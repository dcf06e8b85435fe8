#pragma once
// The rounds of a decoded demo as a report shows them, and the plain words
// for the game's round-end keys. Pure.

#include <vector>

#include "decode/demo_timeline.h"

// One round: from the end of the one before (or the recording's start) to
// its own end. The last may be unfinished: events after the last round end.
struct ReportRound {
    int number;                    // as the game counts (a restart starts again at 1)
    float start, end;              // demo times; end of an unfinished round: its last event
    const TimelineEvent* ending;   // the round-end event; NULL when unfinished
    int kills;
};

// The rounds, in order. A demo with no round end gives one unfinished round
// holding everything; a demo with no events gives none.
void CollectRounds(const DemoTimeline& timeline, std::vector<ReportRound>* rounds);

// "Bomb defused" for "#Bomb_Defused"; NULL for a key the game does not send.
const char* RoundReasonWords(const char* key);

// "t", "ct" or "none": the class a team's names are drawn in.
const char* TeamClass(TimelineTeam team);
// "Terrorists", "Counter-Terrorists", "Spectators", "Unassigned", "No team".
const char* TeamTitle(TimelineTeam team);

enum { TEAM_ENTITY_COUNT = 256 };  // an entity byte's range

// Each entity's team as the events reach it: start from the final teams, then
// pass every event, in order, to NoteTeamChange.
void StartTeams(const DemoTimeline& timeline, TimelineTeam teams[TEAM_ENTITY_COUNT]);
void NoteTeamChange(const TimelineEvent& event, TimelineTeam teams[TEAM_ENTITY_COUNT]);
TimelineTeam TeamOf(const TimelineTeam teams[TEAM_ENTITY_COUNT], int entity);
