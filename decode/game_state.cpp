// The game as its messages tell it: players from their info strings, teams,
// scores, kills, round ends and chat from the game's user messages, and
// where the players were. Events go to the timeline in file order.
#include <stdlib.h>

#include "decode/decode_parts.h"
#include "shared/text.h"

// Texts from the demo are kept as far as their buffers reach: a cut name or
// chat line still reads, so the bounded copies here ((void)) do not fail on it.

enum {
    PATH_STEP_SECONDS_X2 = 1,      // the recorder's path: one sample per half second at most
    PATH_STEP_UNITS = 8,           // and only when it moved this far
    SCORE_WINDOW_SECONDS = 5,      // TeamScore after a round end belongs to it this long
    CENTRE_PRINT = 4,              // TextMsg destination of round ends
    STEAM_INDIVIDUAL = 1           // account type of a player's SteamID
};

struct KindName {
    const char* name;
    UserMessageKind kind;
};

static const KindName UserMessageKinds[] = {
    {"DeathMsg", USER_DEATH},       {"ScoreInfo", USER_SCORE_INFO}, {"TeamInfo", USER_TEAM_INFO},
    {"TeamScore", USER_TEAM_SCORE}, {"TextMsg", USER_TEXT},         {"SayText", USER_SAY_TEXT},
    {"Money", USER_MONEY},          {"Health", USER_HEALTH},        {"CurWeapon", USER_CUR_WEAPON},
    {"ScoreAttrib", USER_SCORE_ATTRIB}, {"RoundTime", USER_ROUND_TIME},
};

struct RoundKey {
    const char* key;
    RoundWinner winner;
};

static const RoundKey RoundKeys[] = {
    {"#Target_Bombed", WINNER_T},
    {"#VIP_Escaped", WINNER_CT},
    {"#VIP_Assassinated", WINNER_T},
    {"#Terrorists_Escaped", WINNER_T},
    {"#CTs_PreventEscape", WINNER_CT},
    {"#Escaping_Terrorists_Neutralized", WINNER_CT},
    {"#Bomb_Defused", WINNER_CT},
    {"#CTs_Win", WINNER_CT},
    {"#Terrorists_Win", WINNER_T},
    {"#Round_Draw", WINNER_DRAW},
    {"#All_Hostages_Rescued", WINNER_CT},
    {"#Target_Saved", WINNER_CT},
    {"#Hostages_Not_Rescued", WINNER_T},
    {"#Terrorists_Not_Escaped", WINNER_CT},
    {"#VIP_Not_Escaped", WINNER_T},
};

struct TeamKey {
    const char* name;
    TimelineTeam team;
};

static const TeamKey TeamKeys[] = {
    {"TERRORIST", TEAM_T}, {"CT", TEAM_CT}, {"SPECTATOR", TEAM_SPECTATOR}, {"UNASSIGNED", TEAM_UNASSIGNED},
};

static TimelineTeam TeamOf(const char* name)
{
    for (const TeamKey& key : TeamKeys) {
        if (strcmp(key.name, name) == 0)
            return key.team;
    }
    return TEAM_NONE;
}

// A string of a user message's payload at *at: as far as its NUL or the
// payload's end; *at moves past the NUL.
static void PayloadText(char* dest, size_t size, const unsigned char* payload, size_t length, size_t* at)
{
    size_t start = *at < length ? *at : length;
    const void* nul = memchr(payload + start, 0, length - start);
    size_t textLength = nul ? (size_t)((const unsigned char*)nul - payload) - start : length - start;
    (void)CopyTextPrefix(dest, size, (const char*)payload + start, textLength);
    *at = start + textLength + (nul ? 1 : 0);
}

static int PayloadShort(const unsigned char* payload, size_t length, size_t at)
{
    return at + 2 <= length ? (int16_t)(payload[at] | payload[at + 1] << 8) : 0;
}

static void Keep(LatestMessage* latest, int id, const unsigned char* payload, size_t length)
{
    latest->seen = true;
    latest->id = (uint8_t)id;
    latest->length = (uint16_t)(length < (size_t)DECODE_PAYLOAD_SIZE ? length : (size_t)DECODE_PAYLOAD_SIZE);
    memcpy(latest->payload, payload, latest->length);
}

static DecodedPlayer* PlayerOfEntity(DecodeState* state, int entity)
{
    return entity >= 1 && entity <= DECODE_MAX_SLOTS ? &state->players[entity - 1] : NULL;
}

static const char* NameOfEntity(DecodeState* state, int entity)
{
    DecodedPlayer* player = PlayerOfEntity(state, entity);
    return player ? player->name : "";
}

// A new event of the current message, or NULL without a timeline.
static TimelineEvent* NewEvent(FrameContext* context, TimelineEventType type, size_t length)
{
    DemoTimeline* timeline = context->state->timeline;
    if (!timeline)
        return NULL;
    if (timeline->events.size() >= TIMELINE_MAX_EVENTS) {
        timeline->eventsDropped++;
        return NULL;
    }
    timeline->events.emplace_back();
    TimelineEvent* event = &timeline->events.back();
    memset(event, 0, sizeof *event);
    event->type = type;
    event->time = context->frame->time;
    event->offset = context->frame->messagesOffset + context->messageAt;
    event->length = (uint32_t)length;
    event->frameIndex = context->frame->index;
    return event;
}

void StartGameState(DecodeState* state)
{
    TimelineTracking* tracking = &state->tracking;
    tracking->round = 0;
    tracking->scoreFrameT = tracking->scoreFrameCT = -1;
    tracking->openRound = -1;
    tracking->openedAt = 0;
    tracking->scoreSeenT = tracking->scoreSeenCT = false;
    tracking->scoreT = tracking->scoreCT = 0;
    tracking->positionsDue.clear();
    tracking->roundPositionsDue = 0;
    tracking->pathStarted = false;
    tracking->clientdataThisFrame = false;
}

void TakeServerInfo(FrameContext* context, int maxClients, int slot, const char* hostName)
{
    DecodeState* state = context->state;
    state->tracking.openRound = -1;
    DemoTimeline* timeline = state->timeline;
    if (!timeline)
        return;
    (void)CopyText(timeline->serverName, sizeof timeline->serverName, hostName);
    timeline->maxPlayers = maxClients;
    timeline->recorderSlot = slot;
}

// The value of key in an info string "\key\value\key\value..."; false when
// the key is not there.
static bool InfoValue(char* dest, size_t size, const char* info, size_t length, const char* key)
{
    size_t keyLength = strlen(key);
    size_t at = 0;
    while (at < length) {
        if (info[at] == '\\')
            at++;
        const char* name = info + at;
        const char* nameEnd = (const char*)memchr(name, '\\', length - at);
        if (!nameEnd)
            break;
        const char* value = nameEnd + 1;
        const char* valueEnd = (const char*)memchr(value, '\\', length - (size_t)(value - info));
        size_t valueLength = valueEnd ? (size_t)(valueEnd - value) : length - (size_t)(value - info);
        if ((size_t)(nameEnd - name) == keyLength && memcmp(name, key, keyLength) == 0) {
            (void)CopyTextPrefix(dest, size, value, valueLength);
            return true;
        }
        at = (size_t)(value - info) + valueLength;
    }
    if (size > 0)
        dest[0] = '\0';
    return false;
}

// STEAM_0:Y:Z from a 64-bit SteamID, for individual accounts only.
static void SteamIdText(char* dest, size_t size, const char* sid)
{
    dest[0] = '\0';
    char* end;
    unsigned long long id = strtoull(sid, &end, 10);
    if (end == sid || *end != '\0' || (id >> 52 & 0xF) != STEAM_INDIVIDUAL)
        return;
    uint32_t low = (uint32_t)id;
    (void)FormatText(dest, size, "STEAM_0:%u:%u", low & 1, low >> 1);
}

void TakeUserInfo(FrameContext* context, int slot, int32_t userId, const char* info, size_t infoLength,
                  const unsigned char* message, size_t messageLength)
{
    DecodeState* state = context->state;
    if (slot >= DECODE_MAX_SLOTS)
        return;
    DecodedPlayer* player = &state->players[slot];
    player->userInfo.assign(message, message + messageLength);
    player->userId = userId;
    if (infoLength == 0) {
        if (player->present) {
            player->present = false;
            TimelineEvent* event = NewEvent(context, EVENT_LEAVE, messageLength);
            if (event) {
                event->slot = slot;
                event->entity = slot + 1;
                (void)CopyText(event->name, sizeof event->name, player->name);
            }
        }
        return;
    }
    char value[64];
    InfoValue(player->name, sizeof player->name, info, infoLength, "name");
    player->steamId[0] = '\0';
    if (InfoValue(value, sizeof value, info, infoLength, "*sid"))
        SteamIdText(player->steamId, sizeof player->steamId, value);
    player->bot = InfoValue(value, sizeof value, info, infoLength, "*bot");
    player->hltv = InfoValue(value, sizeof value, info, infoLength, "*hltv");
    bool joined = !player->present;
    player->present = true;
    player->seen = true;
    if (!joined)
        return;
    TimelineEvent* event = NewEvent(context, EVENT_JOIN, messageLength);
    if (event) {
        event->slot = slot;
        event->entity = slot + 1;
        (void)CopyText(event->name, sizeof event->name, player->name);
    }
}

void RegisterUserMessage(DecodeState* state, int id, int size, const char* name)
{
    state->userMessageSizes[id] = (short)size;
    (void)CopyText(state->userMessageNames[id], sizeof state->userMessageNames[id], name);
    state->userMessageKinds[id] = USER_OTHER;
    for (const KindName& known : UserMessageKinds) {
        if (strcmp(known.name, name) == 0)
            state->userMessageKinds[id] = (uint8_t)known.kind;
    }
}

// Counter-Strike's form has a headshot byte before the weapon; Half-Life's
// does not. A weapon name never starts with byte 0 or 1.
static void TakeDeath(FrameContext* context, const unsigned char* payload, size_t length, size_t messageLength)
{
    if (length < 3)
        return;
    DecodeState* state = context->state;
    bool headshotByte = length >= 4 && payload[2] <= 1 && memchr(payload + 3, 0, length - 3) != NULL;
    TimelineEvent* event = NewEvent(context, EVENT_KILL, messageLength);
    if (!event)
        return;
    event->killer = payload[0];
    event->victim = payload[1];
    event->headshot = headshotByte && payload[2] == 1;
    size_t at = headshotByte ? 3 : 2;
    PayloadText(event->weapon, sizeof event->weapon, payload, length, &at);
    (void)CopyText(event->killerName, sizeof event->killerName, NameOfEntity(state, event->killer));
    (void)CopyText(event->victimName, sizeof event->victimName, NameOfEntity(state, event->victim));
    state->tracking.positionsDue.push_back((int)(state->timeline->events.size() - 1));
}

static void CloseScoreWindow(TimelineTracking* tracking)
{
    tracking->openRound = -1;
}

static void TakeTextMessage(FrameContext* context, const unsigned char* payload, size_t length, size_t messageLength)
{
    if (length < 2)
        return;
    DecodeState* state = context->state;
    TimelineTracking* tracking = &state->tracking;
    char key[TIMELINE_REASON_SIZE];
    size_t at = 1;
    PayloadText(key, sizeof key, payload, length, &at);
    // A new game: its scores restart, and no TeamScore belongs to the last round.
    if (strcmp(key, "#Game_Commencing") == 0 || strncmp(key, "#Game_will_restart_in", 21) == 0) {
        CloseScoreWindow(tracking);
        return;
    }
    if (payload[0] != CENTRE_PRINT)
        return;
    for (const RoundKey& round : RoundKeys) {
        if (strcmp(round.key, key) != 0)
            continue;
        tracking->round++;
        TimelineEvent* event = NewEvent(context, EVENT_ROUND_END, messageLength);
        if (!event)
            return;
        event->round = tracking->round;
        event->winner = round.winner;
        (void)CopyText(event->reason, sizeof event->reason, key);
        event->scoreT = tracking->scoreT;
        event->scoreCT = tracking->scoreCT;
        tracking->openRound = (int)(state->timeline->events.size() - 1);
        tracking->openedAt = context->frame->time;
        // The game sends the new scores in the round end's own packet, before
        // its TextMsg or after it; those of the same frame already count.
        tracking->scoreSeenT = tracking->scoreFrameT == context->frame->index;
        tracking->scoreSeenCT = tracking->scoreFrameCT == context->frame->index;
        if (tracking->scoreSeenT && tracking->scoreSeenCT)
            CloseScoreWindow(tracking);
        tracking->roundPositionsDue = tracking->round;
        return;
    }
}

// The scores after a round: each team's TeamScore in the round end's frame,
// else the first that follows it, within a few seconds and before the next
// round end or restart; a team that sends none keeps its last score.
static void TakeTeamScore(FrameContext* context, const unsigned char* payload, size_t length)
{
    DecodeState* state = context->state;
    TimelineTracking* tracking = &state->tracking;
    char team[32];
    size_t at = 0;
    PayloadText(team, sizeof team, payload, length, &at);
    int score = PayloadShort(payload, length, at);
    int index = 0;
    while (index < state->teamScoreCount && strcmp(state->teamScores[index].team, team) != 0)
        index++;
    if (index < DECODE_TEAM_SCORES) {
        if (index == state->teamScoreCount)
            state->teamScoreCount++;
        (void)CopyText(state->teamScores[index].team, sizeof state->teamScores[index].team, team);
        Keep(&state->teamScores[index].message, context->id, payload, length);
    }
    TimelineTeam side = TeamOf(team);
    if (side != TEAM_T && side != TEAM_CT)
        return;
    (side == TEAM_T ? tracking->scoreT : tracking->scoreCT) = score;
    (side == TEAM_T ? tracking->scoreFrameT : tracking->scoreFrameCT) = context->frame->index;
    float since = context->frame->time - tracking->openedAt;
    if (tracking->openRound >= 0 && !(since >= 0 && since <= SCORE_WINDOW_SECONDS))
        CloseScoreWindow(tracking);
    if (tracking->openRound < 0 || !state->timeline)
        return;
    TimelineEvent* round = &state->timeline->events[(size_t)tracking->openRound];
    bool* seen = side == TEAM_T ? &tracking->scoreSeenT : &tracking->scoreSeenCT;
    if (!*seen) {
        *seen = true;
        (side == TEAM_T ? round->scoreT : round->scoreCT) = score;
    }
    if (tracking->scoreSeenT && tracking->scoreSeenCT)
        CloseScoreWindow(tracking);
}

static void TakeTeamInfo(FrameContext* context, const unsigned char* payload, size_t length, size_t messageLength)
{
    if (length < 1)
        return;
    DecodeState* state = context->state;
    int entity = payload[0];
    DecodedPlayer* player = PlayerOfEntity(state, entity);
    if (!player)
        return;
    Keep(&player->teamInfo, context->id, payload, length);
    char name[32];
    size_t at = 1;
    PayloadText(name, sizeof name, payload, length, &at);
    TimelineTeam team = TeamOf(name);
    if (team == TEAM_NONE || team == player->team)
        return;
    player->team = team;
    TimelineEvent* event = NewEvent(context, EVENT_TEAM, messageLength);
    if (event) {
        event->entity = entity;
        event->slot = entity - 1;
        event->team = team;
        (void)CopyText(event->name, sizeof event->name, player->name);
    }
}

static void TakeSayText(FrameContext* context, const unsigned char* payload, size_t length, size_t messageLength)
{
    if (length < 1)
        return;
    DecodeState* state = context->state;
    // Read as the structure layer reads chat, so kinds and texts agree.
    ChatMessage chat;
    chat.time = context->frame->time;
    chat.sender = payload[0];
    chat.offset = context->frame->messagesOffset + context->messageAt;
    chat.length = (uint32_t)messageLength;
    chat.foundByWalk = true;
    chat.stringCount = 0;
    size_t at = 1;
    while (at < length && chat.stringCount < CHAT_STRING_COUNT) {
        PayloadText(chat.strings[chat.stringCount], CHAT_TEXT_SIZE, payload, length, &at);
        chat.stringCount++;
    }
    chat.steamForm = chat.stringCount > 0 && chat.strings[0][0] == '#';
    (void)CopyText(chat.key, sizeof chat.key, chat.steamForm ? chat.strings[0] : "");
    ChatKind kind = ClassifyChat(chat);
    TimelineEvent* event = NewEvent(context, kind == CHAT_NAME_CHANGE ? EVENT_NAME_CHANGE : EVENT_CHAT, messageLength);
    if (!event)
        return;
    event->kind = kind;
    event->entity = chat.sender;
    event->steamForm = chat.steamForm;
    if (kind == CHAT_NAME_CHANGE) {
        (void)CopyText(event->name, sizeof event->name, chat.stringCount > 1 ? chat.strings[1] : "");
        (void)CopyText(event->text, sizeof event->text, chat.stringCount > 2 ? chat.strings[2] : "");
        return;
    }
    ChatText(event->text, sizeof event->text, chat);
    (void)CopyText(event->name, sizeof event->name, NameOfEntity(state, chat.sender));
}

void TakeUserMessage(FrameContext* context, const unsigned char* payload, size_t length)
{
    DecodeState* state = context->state;
    size_t messageLength = (size_t)(payload - (context->frame->messages + context->messageAt)) + length;
    DecodedPlayer* player;
    switch (state->userMessageKinds[context->id]) {
    case USER_DEATH:
        TakeDeath(context, payload, length, messageLength);
        break;
    case USER_SCORE_INFO:
        player = length >= 5 ? PlayerOfEntity(state, payload[0]) : NULL;
        if (player) {
            Keep(&player->scoreInfo, context->id, payload, length);
            player->frags = PayloadShort(payload, length, 1);
            player->deaths = PayloadShort(payload, length, 3);
        }
        break;
    case USER_TEAM_INFO:
        TakeTeamInfo(context, payload, length, messageLength);
        break;
    case USER_TEAM_SCORE:
        TakeTeamScore(context, payload, length);
        break;
    case USER_TEXT:
        TakeTextMessage(context, payload, length, messageLength);
        break;
    case USER_SAY_TEXT:
        TakeSayText(context, payload, length, messageLength);
        break;
    case USER_SCORE_ATTRIB:
        player = length >= 1 ? PlayerOfEntity(state, payload[0]) : NULL;
        if (player)
            Keep(&player->scoreAttrib, context->id, payload, length);
        break;
    case USER_MONEY:
        Keep(&state->money, context->id, payload, length);
        break;
    case USER_HEALTH:
        Keep(&state->health, context->id, payload, length);
        break;
    case USER_CUR_WEAPON:
        Keep(&state->curWeapon, context->id, payload, length);
        break;
    case USER_ROUND_TIME:
        Keep(&state->roundTime, context->id, payload, length);
        // Reliable data comes before the packet's svc_time: the frame's end sets it.
        state->roundTimeAt = -1;
        break;
    default:
        break;
    }
}

// Where a player is: the recorder's own origin is never sent to him, so
// his comes from clientdata; everyone else's from the latest packet.
static WorldPosition PositionOf(const DecodeState& state, int entity)
{
    WorldPosition position;
    float origin[3];
    position.known = entity > 0 && (entity == state.recorderSlot + 1 ? RecorderOrigin(state, origin)
                                                                       : EntityOrigin(state, entity, origin));
    position.x = position.known ? origin[0] : 0;
    position.y = position.known ? origin[1] : 0;
    position.z = position.known ? origin[2] : 0;
    return position;
}

static void SamplePath(DecodeState* state, float time)
{
    TimelineTracking* tracking = &state->tracking;
    // Time going back (a new segment or map) always takes a sample.
    bool later = tracking->pathStarted && time >= tracking->pathTime;
    if (later && (time - tracking->pathTime) * 2 < PATH_STEP_SECONDS_X2)
        return;
    float origin[3];
    if (!RecorderOrigin(*state, origin) || state->timeline->recorderPath.size() >= TIMELINE_MAX_SAMPLES)
        return;
    if (later) {
        float dx = origin[0] - tracking->pathAt[0], dy = origin[1] - tracking->pathAt[1];
        float dz = origin[2] - tracking->pathAt[2];
        if (dx * dx + dy * dy + dz * dz < PATH_STEP_UNITS * PATH_STEP_UNITS)
            return;
    }
    tracking->pathStarted = true;
    tracking->pathTime = time;
    memcpy(tracking->pathAt, origin, sizeof origin);
    PositionSample sample = {time, state->recorderSlot + 1, origin[0], origin[1], origin[2]};
    state->timeline->recorderPath.push_back(sample);
}

void EndFrameGameState(FrameContext* context)
{
    DecodeState* state = context->state;
    TimelineTracking* tracking = &state->tracking;
    if (state->roundTimeAt < 0)
        state->roundTimeAt = state->serverTime;
    DemoTimeline* timeline = state->timeline;
    if (!timeline) {
        tracking->positionsDue.clear();
        tracking->roundPositionsDue = 0;
        return;
    }
    for (int index : tracking->positionsDue) {
        TimelineEvent* event = &timeline->events[(size_t)index];
        event->killerAt = PositionOf(*state, event->killer);
        event->victimAt = PositionOf(*state, event->victim);
    }
    tracking->positionsDue.clear();
    if (tracking->roundPositionsDue) {
        for (int slot = 0; slot < DECODE_MAX_SLOTS; slot++) {
            const DecodedPlayer& player = state->players[slot];
            WorldPosition at = player.present ? PositionOf(*state, slot + 1) : WorldPosition();
            if (!player.present || !at.known || timeline->roundEnds.size() >= TIMELINE_MAX_SAMPLES)
                continue;
            RoundEndPosition position = {tracking->roundPositionsDue, slot + 1, player.team, at.x, at.y, at.z};
            timeline->roundEnds.push_back(position);
        }
        tracking->roundPositionsDue = 0;
    }
    if (tracking->clientdataThisFrame)
        SamplePath(state, context->frame->time);
    tracking->clientdataThisFrame = false;
}

void FinishGameState(DecodeState* state)
{
    DemoTimeline* timeline = state->timeline;
    if (!timeline)
        return;
    timeline->players.clear();
    for (int slot = 0; slot < DECODE_MAX_SLOTS; slot++) {
        const DecodedPlayer& player = state->players[slot];
        if (!player.seen)
            continue;
        TimelinePlayer entry;
        memset(&entry, 0, sizeof entry);
        entry.slot = slot;
        entry.entity = slot + 1;
        entry.userId = player.userId;
        (void)CopyText(entry.name, sizeof entry.name, player.name);
        (void)CopyText(entry.steamId, sizeof entry.steamId, player.steamId);
        entry.bot = player.bot;
        entry.hltv = player.hltv;
        entry.present = player.present;
        entry.team = player.team;
        entry.frags = player.frags;
        entry.deaths = player.deaths;
        timeline->players.push_back(entry);
    }
}
