#include "tests/browser/report_sample.h"

#include <math.h>
#include <string.h>

#include <string>

const char sampleHostileName[] = "<img src=x onerror=alert(1)>";

static const char* const reasons[] = {
    "#Target_Bombed", "#VIP_Escaped", "#VIP_Assassinated", "#Terrorists_Escaped", "#CTs_PreventEscape",
    "#Escaping_Terrorists_Neutralized", "#Bomb_Defused", "#CTs_Win", "#Terrorists_Win", "#Round_Draw",
    "#All_Hostages_Rescued", "#Target_Saved", "#Hostages_Not_Rescued", "#Terrorists_Not_Escaped",
    "#VIP_Not_Escaped"};

static void Copy(char* dest, size_t size, const std::string& text)
{
    strncpy(dest, text.c_str(), size - 1);
    dest[size - 1] = '\0';
}

static TimelineEvent Event(TimelineEventType type, float time)
{
    TimelineEvent event;
    memset(&event, 0, sizeof event);
    event.type = type;
    event.time = time;
    return event;
}

static unsigned int Next(unsigned int* seed)
{
    *seed = *seed * 1103515245u + 12345u;
    return (*seed >> 8) & 0xFFFF;
}

void BuildSampleDemo(float minutes, DemoStructure* structure, DemoTimeline* timeline)
{
    *structure = DemoStructure();
    strcpy(structure->header.magic, "HLDEMO");
    structure->header.demoProtocol = 5;
    structure->header.networkProtocol = 48;
    strcpy(structure->header.mapName, "de_<b>dust2</b>");
    strcpy(structure->header.gameDir, "cstrike");
    structure->headerWhole = true;
    structure->state = DEMO_COMPLETE;
    structure->duration = minutes * 60;
    structure->viewportWidth = 1920;
    structure->viewportHeight = 1080;

    *timeline = DemoTimeline();
    timeline->decodable = true;
    timeline->decoded.frames = timeline->decoded.framesDecoded = 1000;
    timeline->decoded.messageBytes = timeline->decoded.messageBytesDecoded = 100000;
    Copy(timeline->serverName, sizeof timeline->serverName, "Server \"quoted\" & <i>friends</i>");
    timeline->maxPlayers = 12;
    timeline->recorderSlot = 0;
    for (int slot = 0; slot < 10; slot++) {
        TimelinePlayer player;
        memset(&player, 0, sizeof player);
        player.slot = slot;
        player.entity = slot + 1;
        Copy(player.name, sizeof player.name, slot == 0 ? sampleHostileName : "player " + std::to_string(slot));
        Copy(player.steamId, sizeof player.steamId, slot == 7 ? "" : "STEAM_0:1:" + std::to_string(1000 + slot));
        player.bot = slot == 7;
        player.hltv = slot == 9;
        player.present = slot != 3;
        player.team = slot == 9 ? TEAM_SPECTATOR : slot % 2 ? TEAM_CT : TEAM_T;
        timeline->players.push_back(player);
        TimelineEvent team = Event(EVENT_TEAM, 0.5f);
        team.entity = player.entity;
        team.team = player.team;
        Copy(team.name, sizeof team.name, player.name);
        timeline->events.push_back(team);
    }

    unsigned int seed = 17;
    int scoreT = 0, scoreCT = 0, round = 0;
    float x = 0, y = 0, heading = 0;
    for (int tenth = 1; tenth <= (int)(minutes * 600); tenth++) {
        float time = tenth / 10.0f;
        for (int k = 0; k < 10; k++) {  // a client at 100 frames a second, running and turning
            heading += ((float)Next(&seed) / 65536.0f - 0.5f) * 0.15f;
            x = fminf(fmaxf(x + 2.5f * cosf(heading), -2000), 3000);
            y = fminf(fmaxf(y + 2.5f * sinf(heading), -1500), 2500);
            timeline->recorderPath.push_back(PositionSample{time + k * 0.01f, 1, x, y, 0});
        }
        if (tenth % 200 == 0) {
            TimelineEvent kill = Event(EVENT_KILL, time);
            kill.killer = 1 + (int)(Next(&seed) % 9);
            kill.victim = 1 + (kill.killer + 1 + (int)(Next(&seed) % 7)) % 9;
            Copy(kill.killerName, sizeof kill.killerName, timeline->players[kill.killer - 1].name);
            Copy(kill.victimName, sizeof kill.victimName, timeline->players[kill.victim - 1].name);
            Copy(kill.weapon, sizeof kill.weapon, tenth % 600 ? "ak47" : "<svg/onload=alert(3)>");
            kill.headshot = tenth % 400 == 0;
            kill.killerAt = WorldPosition{true, x, y, 0};
            kill.victimAt = WorldPosition{true, x + 300, y - 200, 0};
            timeline->events.push_back(kill);
        }
        if (tenth % 300 == 0) {
            TimelineEvent chat = Event(EVENT_CHAT, time);
            chat.kind = tenth % 600 ? CHAT_ALL : CHAT_TEAM;
            chat.entity = 1;
            Copy(chat.name, sizeof chat.name, sampleHostileName);
            Copy(chat.text, sizeof chat.text, "gg </td><script>alert(2)</script> \x01\"it's\" & more");
            timeline->events.push_back(chat);
        }
        if (tenth % 1200 == 0) {
            TimelineEvent end = Event(EVENT_ROUND_END, time);
            end.round = ++round;
            const char* reason = reasons[(round - 1) % 15];
            Copy(end.reason, sizeof end.reason, reason);
            end.winner = strstr(reason, "Draw") ? WINNER_DRAW : round % 2 ? WINNER_T : WINNER_CT;
            scoreT += end.winner == WINNER_T;
            scoreCT += end.winner == WINNER_CT;
            end.scoreT = scoreT;
            end.scoreCT = scoreCT;
            timeline->events.push_back(end);
            for (const TimelinePlayer& player : timeline->players)
                timeline->roundEnds.push_back(
                    RoundEndPosition{round, player.entity, player.team, x + 40.0f * player.slot, y, 0});
            x = y = 0;  // everyone back at the spawn
        }
    }
}
