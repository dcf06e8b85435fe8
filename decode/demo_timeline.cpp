// Names of the timeline's kinds, as the console tool prints them.
#include "decode/demo_timeline.h"

const char* TeamName(TimelineTeam team)
{
    switch (team) {
    case TEAM_T: return "T";
    case TEAM_CT: return "CT";
    case TEAM_SPECTATOR: return "SPECTATOR";
    case TEAM_UNASSIGNED: return "UNASSIGNED";
    default: return "";
    }
}

const char* WinnerName(RoundWinner winner)
{
    switch (winner) {
    case WINNER_T: return "T";
    case WINNER_CT: return "CT";
    default: return "draw";
    }
}

const char* EventTypeName(TimelineEventType type)
{
    switch (type) {
    case EVENT_KILL: return "kill";
    case EVENT_ROUND_END: return "round-end";
    case EVENT_CHAT: return "chat";
    case EVENT_NAME_CHANGE: return "name-change";
    case EVENT_JOIN: return "join";
    case EVENT_LEAVE: return "leave";
    default: return "team";
    }
}
