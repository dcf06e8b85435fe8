// Generated demos through the decoder: every frame decodes to its last byte,
// and the timeline holds what the generator was asked to write.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "decode/decode_demo.h"
#include "tests/unit/structure_test_support.h"

static DemoTimeline Decode(const Bytes& demo)
{
    DemoStructure structure = Structure(demo);
    DemoTimeline timeline;
    DecodeDemo(demo.data(), demo.size(), structure, &timeline);
    return timeline;
}

static float GroupTime(const Bytes& demo, const StructuredDemoLayout& layout, int group)
{
    float time;
    memcpy(&time, &demo[layout.groupFrames[(size_t)group] + 1], sizeof time);
    return time;
}

static std::vector<const TimelineEvent*> Events(const DemoTimeline& timeline, TimelineEventType type)
{
    std::vector<const TimelineEvent*> found;
    for (const TimelineEvent& event : timeline.events) {
        if (event.type == type)
            found.push_back(&event);
    }
    return found;
}

static StructuredPlayer Player(int slot, const char* name, const char* team, float x, float y, float stepX,
                               float stepY)
{
    StructuredPlayer player = {slot, 10 + slot, name};
    player.team = team;
    player.x = x;
    player.y = y;
    player.stepX = stepX;
    player.stepY = stepY;
    return player;
}

// A game of 300 frames (the sequence's low byte wraps) recorded by slot 1:
// a player joins, a bot leaves, a name changes, kills in one frame, a
// suicide, a world kill, rounds won by each side and drawn after the
// warm-up's end, chat of both forms.
static StructuredDemoSpec GameSpec()
{
    StructuredDemoSpec spec;
    spec.playbackGroups = 300;
    spec.maxPlayers = 16;
    spec.recorderSlot = 1;
    spec.players = {Player(0, "alice", "CT", 100, 200, 2, 0), Player(1, "rec", "TERRORIST", -500, 40, 0, 4),
                    Player(2, "bot1", "TERRORIST", 300, -300, -1, 1), Player(5, "late", "CT", 0, 0, 1, 1),
                    Player(7, "HLTV Proxy", "", 0, 0, 0, 0)};
    spec.players[0].z = 36;
    spec.players[0].steamId = "76561198012345679";
    spec.players[1].steamId = "76561197960265730";
    spec.players[2].bot = true;
    spec.players[2].leaveGroup = 200;
    spec.players[3].joinGroup = 50;
    spec.players[3].steamId = "0";
    spec.players[4].hltv = true;
    spec.players[4].steamId = "90071996842377218";   // account type 4: no player's SteamID
    spec.kills = {{10, 2, 3, true, "deagle"}, {10, 3, 2, false, "ak47"},  {60, 6, 2, false, "m4a1"},
                  {61, 1, 1, false, "grenade"}, {62, 0, 6, false, "worldspawn"}, {120, 2, 1, true, "awp"}};
    spec.rounds = {{5, "#Game_Commencing", ROUND_NOT_AN_END}, {20, "#Target_Bombed", ROUND_T},
                   {70, "#Bomb_Defused", ROUND_CT}, {130, "#Round_Draw", ROUND_DRAW}, {200, "#CTs_Win", ROUND_CT}};
    spec.nameChanges = {{90, 0, "alice2"}};
    spec.chat = {Chat("#Cstrike_Chat_All", "gl hf", false, 2), Chat("#Cstrike_Chat_T", "rush b", true, 3),
                 Chat("", "(TEAM) alice: ok", false, 1)};
    return spec;
}

TEST(DecodeRoundTrip, GeneratedGameDecodesToWhatWasAsked)
{
    StructuredDemoLayout layout;
    Bytes demo = BuildStructuredDemo(GameSpec(), &layout);
    DemoTimeline timeline = Decode(demo);

    const DecodeCoverage& decoded = timeline.decoded;
    EXPECT_FALSE(decoded.failed) << decoded.firstFailure.reason;
    EXPECT_EQ(3u + 300u, decoded.frames);
    EXPECT_EQ(decoded.frames, decoded.framesDecoded);
    EXPECT_EQ(decoded.messageBytes, decoded.messageBytesDecoded);
    EXPECT_STREQ("Flickbox test server", timeline.serverName);
    EXPECT_EQ(16, timeline.maxPlayers);
    EXPECT_EQ(1, timeline.recorderSlot);

    struct PlayerRow {
        int slot;
        const char* name;
        const char* steamId;
        bool bot, hltv, present;
        const char* team;
        int frags, deaths;
    };
    static const PlayerRow players[] = {
        {0, "alice2", "STEAM_0:1:26039975", false, false, true, "CT", -1, 2},
        {1, "rec", "STEAM_0:0:1", false, false, true, "T", 2, 2},
        {2, "bot1", "", true, false, false, "T", 1, 1},
        {5, "late", "", false, false, true, "CT", 0, 1},
        {7, "HLTV Proxy", "", false, true, true, "", 0, 0},
    };
    ASSERT_EQ(sizeof players / sizeof players[0], timeline.players.size());
    for (size_t i = 0; i < timeline.players.size(); i++) {
        const TimelinePlayer& player = timeline.players[i];
        const PlayerRow& row = players[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.slot, player.slot);
        EXPECT_EQ(row.slot + 1, player.entity);
        EXPECT_STREQ(row.name, player.name);
        EXPECT_STREQ(row.steamId, player.steamId);
        EXPECT_EQ(row.bot, player.bot);
        EXPECT_EQ(row.hltv, player.hltv);
        EXPECT_EQ(row.present, player.present);
        EXPECT_STREQ(row.team, TeamName(player.team));
        EXPECT_EQ(row.frags, player.frags);
        EXPECT_EQ(row.deaths, player.deaths);
    }

    struct KillRow {
        int group, killer, victim;
        const char *killerName, *victimName, *weapon;
        bool headshot;
        float killerX, killerY, victimX, victimY;   // the recorder's from clientdata
    };
    static const KillRow kills[] = {
        {10, 2, 3, "rec", "bot1", "deagle", true, -500, 80, 290, -290},
        {10, 3, 2, "bot1", "rec", "ak47", false, 290, -290, -500, 80},
        {60, 6, 2, "late", "rec", "m4a1", false, 60, 60, -500, 280},
        {61, 1, 1, "alice", "alice", "grenade", false, 222, 200, 222, 200},
        {62, 0, 6, "", "late", "worldspawn", false, 0, 0, 62, 62},
        {120, 2, 1, "rec", "alice2", "awp", true, -500, 520, 340, 200},
    };
    std::vector<const TimelineEvent*> found = Events(timeline, EVENT_KILL);
    ASSERT_EQ(sizeof kills / sizeof kills[0], found.size());
    for (size_t i = 0; i < found.size(); i++) {
        const TimelineEvent& kill = *found[i];
        const KillRow& row = kills[i];
        SCOPED_TRACE(row.weapon);
        EXPECT_FLOAT_EQ(GroupTime(demo, layout, row.group), kill.time);
        EXPECT_GT(kill.offset, layout.groupFrames[(size_t)row.group]);
        EXPECT_EQ(1, std::count(layout.messageStarts.begin(), layout.messageStarts.end(), kill.offset));
        EXPECT_EQ(row.killer, kill.killer);
        EXPECT_EQ(row.victim, kill.victim);
        EXPECT_STREQ(row.killerName, kill.killerName);
        EXPECT_STREQ(row.victimName, kill.victimName);
        EXPECT_STREQ(row.weapon, kill.weapon);
        EXPECT_EQ(row.headshot, kill.headshot);
        EXPECT_EQ(row.killer != 0, kill.killerAt.known);
        EXPECT_FLOAT_EQ(row.killerX, kill.killerAt.x);
        EXPECT_FLOAT_EQ(row.killerY, kill.killerAt.y);
        EXPECT_TRUE(kill.victimAt.known);
        EXPECT_FLOAT_EQ(row.victimX, kill.victimAt.x);
        EXPECT_FLOAT_EQ(row.victimY, kill.victimAt.y);
    }

    struct RoundRow {
        int group;
        const char *reason, *winner;
        int scoreT, scoreCT;
    };
    static const RoundRow rounds[] = {
        {20, "#Target_Bombed", "T", 1, 0},
        {70, "#Bomb_Defused", "CT", 1, 1},
        {130, "#Round_Draw", "draw", 1, 1},
        {200, "#CTs_Win", "CT", 1, 2},
    };
    found = Events(timeline, EVENT_ROUND_END);
    ASSERT_EQ(sizeof rounds / sizeof rounds[0], found.size());
    for (size_t i = 0; i < found.size(); i++) {
        SCOPED_TRACE(rounds[i].reason);
        EXPECT_FLOAT_EQ(GroupTime(demo, layout, rounds[i].group), found[i]->time);
        EXPECT_EQ((int)i + 1, found[i]->round);
        EXPECT_STREQ(rounds[i].reason, found[i]->reason);
        EXPECT_STREQ(rounds[i].winner, WinnerName(found[i]->winner));
        EXPECT_EQ(rounds[i].scoreT, found[i]->scoreT);
        EXPECT_EQ(rounds[i].scoreCT, found[i]->scoreCT);
    }

    struct TextRow {
        TimelineEventType type;
        int group, entity;
        const char *name, *text;
    };
    static const TextRow texts[] = {
        {EVENT_CHAT, 0, 2, "rec", "gl hf"},
        {EVENT_CHAT, 1, 3, "bot1", "rush b"},
        {EVENT_CHAT, 2, 1, "alice", "(TEAM) alice: ok"},
        {EVENT_NAME_CHANGE, 90, 1, "alice", "alice2"},
    };
    std::vector<const TimelineEvent*> chat = Events(timeline, EVENT_CHAT);
    found = Events(timeline, EVENT_NAME_CHANGE);
    chat.insert(chat.end(), found.begin(), found.end());
    ASSERT_EQ(sizeof texts / sizeof texts[0], chat.size());
    for (size_t i = 0; i < chat.size(); i++) {
        SCOPED_TRACE(texts[i].text);
        EXPECT_EQ(texts[i].type, chat[i]->type);
        EXPECT_FLOAT_EQ(GroupTime(demo, layout, texts[i].group), chat[i]->time);
        EXPECT_EQ(texts[i].entity, chat[i]->entity);
        EXPECT_STREQ(texts[i].name, chat[i]->name);
        EXPECT_STREQ(texts[i].text, chat[i]->text);
        EXPECT_FALSE(chat[i]->foundByPattern);
    }

    // Who came and went, and who took which team, when.
    struct PresenceRow {
        TimelineEventType type;
        int group;            // -1: in the signon
        int slot;
        const char* team;
    };
    static const PresenceRow presence[] = {
        {EVENT_JOIN, -1, 0, ""}, {EVENT_JOIN, -1, 1, ""},  {EVENT_JOIN, -1, 2, ""},   {EVENT_JOIN, -1, 7, ""},
        {EVENT_TEAM, 0, 0, "CT"}, {EVENT_TEAM, 0, 1, "T"}, {EVENT_TEAM, 0, 2, "T"},  {EVENT_JOIN, 50, 5, ""},
        {EVENT_TEAM, 50, 5, "CT"}, {EVENT_LEAVE, 200, 2, ""},
    };
    std::vector<const TimelineEvent*> comings;
    for (const TimelineEvent& event : timeline.events) {
        if (event.type == EVENT_JOIN || event.type == EVENT_LEAVE || event.type == EVENT_TEAM)
            comings.push_back(&event);
    }
    ASSERT_EQ(sizeof presence / sizeof presence[0], comings.size());
    for (size_t i = 0; i < comings.size(); i++) {
        const PresenceRow& row = presence[i];
        const TimelineEvent& event = *comings[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(row.type, event.type);
        float time = row.group >= 0 ? GroupTime(demo, layout, row.group) : event.time;
        EXPECT_FLOAT_EQ(time, event.time);
        EXPECT_EQ(row.slot + 1, event.type == EVENT_TEAM ? event.entity : event.slot + 1);
        EXPECT_STREQ(row.team, event.type == EVENT_TEAM ? TeamName(event.team) : "");
    }

    // The recorder walks 4 units a frame along y from (-500, 40, 0).
    ASSERT_GE(timeline.recorderPath.size(), 2u);
    for (const PositionSample& sample : timeline.recorderPath) {
        EXPECT_EQ(2, sample.entity);
        EXPECT_FLOAT_EQ(-500, sample.x);
        EXPECT_FLOAT_EQ(0, sample.z);
    }
    EXPECT_FLOAT_EQ(40, timeline.recorderPath.front().y);
    EXPECT_LE(timeline.recorderPath.back().y, 40 + 4 * 299);
    EXPECT_GT(timeline.recorderPath.back().y, timeline.recorderPath.front().y);
}

static StructuredEntity Entity(int number, float stepX, int firstGroup, int lastGroup, bool baseline)
{
    return {number, 100 + number % 4, (float)number, -(float)number, 8, stepX, firstGroup, lastGroup, baseline};
}

// Entity lists of every shape and signons of every length decode to their
// last byte; filler frames do not, and say where and why.
TEST(DecodeRoundTrip, EveryLayoutDecodesAndFillerFramesFail)
{
    struct Row {
        const char* name;
        int loadingFrames, groups, maxPlayers, recorderSlot;
        std::vector<StructuredPlayer> players;
        std::vector<StructuredEntity> entities;
        size_t entityBytes;
        std::vector<int> fillerGroups;
        std::vector<int> failing;          // groups that cannot decode
    };
    std::vector<StructuredEntity> crowd;
    for (int i = 0; i < 150; i++)   // up to 63 back for a cheaper delta, numbers near and far
        crowd.push_back(Entity(40 + i * (i % 9 == 0 ? 70 : 3) % 2000, i % 3 ? 1.0f : 0, i % 7, i % 11 ? -1 : 40,
                               i % 5 != 0));
    const std::vector<StructuredEntity> edges = {Entity(33, 0, 0, -1, true), Entity(96, 0, 0, -1, true),
                                                 Entity(160, 0.5f, 0, -1, true), Entity(2047, 2, 0, 5, true)};
    const std::vector<StructuredPlayer> two = {Player(0, "a", "CT", 10, 10, 1, 0), Player(3, "b", "T", 0, 0, 0, 2)};
    const Row rows[] = {
        {"defaults", 3, 8, 32, 0, {}, StructuredDemoSpec::DefaultEntities(), 0, {}, {}},
        {"one signon frame, one group", 1, 1, 32, 0, two, StructuredDemoSpec::DefaultEntities(), 0, {}, {}},
        {"two signon frames", 2, 70, 32, 3, two, StructuredDemoSpec::DefaultEntities(), 0, {}, {}},
        {"many signon frames, no entities", 6, 5, 32, 0, two, {}, 0, {}, {}},
        {"single player", 3, 20, 1, 0, {Player(0, "solo", "", 5, 5, 0, 3)}, edges, 0, {}, {}},
        {"a crowd", 3, 90, 32, 3, two, crowd, 0, {}, {}},
        {"steps of 63 and 64, the last number", 3, 12, 32, 5, two, edges, 0, {}, {}},
        {"filler in two frames", 3, 12, 32, 0, two, edges, 40, {3, 4}, {3, 4}},
        {"filler everywhere", 3, 4, 32, 0, two, edges, 24, {}, {0, 1, 2, 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StructuredDemoSpec spec;
        spec.loadingFrames = row.loadingFrames;
        spec.playbackGroups = row.groups;
        spec.maxPlayers = row.maxPlayers;
        spec.recorderSlot = row.recorderSlot;
        spec.players = row.players;
        spec.entities = row.entities;
        spec.entityBytes = row.entityBytes;
        spec.fillerGroups = row.fillerGroups;
        spec.chat = {Chat("#Cstrike_Chat_All", "after the entities", true)};
        StructuredDemoLayout layout;
        Bytes demo = BuildStructuredDemo(spec, &layout);
        DemoTimeline timeline = Decode(demo);
        const DecodeCoverage& decoded = timeline.decoded;
        EXPECT_EQ((uint32_t)(row.loadingFrames + row.groups), decoded.frames);
        EXPECT_EQ(decoded.frames - row.failing.size(), decoded.framesDecoded);
        EXPECT_EQ(!row.failing.empty(), decoded.failed);
        if (row.failing.empty()) {
            EXPECT_EQ(decoded.messageBytes, decoded.messageBytesDecoded) << decoded.firstFailure.reason;
            ASSERT_EQ(1u, Events(timeline, EVENT_CHAT).size());
        } else {
            EXPECT_EQ(layout.groupFrames[(size_t)row.failing[0]], decoded.firstFailure.offset);
            EXPECT_GE(decoded.firstFailure.messageId, 0);
            EXPECT_STRNE("", decoded.firstFailure.reason);
        }
        EXPECT_EQ(row.maxPlayers, timeline.maxPlayers);
        EXPECT_EQ(row.recorderSlot, timeline.recorderSlot);
    }
}

// Net-message frames of a small game cut short at every byte: a frame cut
// between two messages still decodes; a cut anywhere else fails that frame,
// with its offset and why, and every frame before it decodes.
TEST(DecodeRoundTrip, FramesCutAtEveryByteFailWhereTheyAreCut)
{
    StructuredDemoSpec spec;
    spec.playbackGroups = 4;
    spec.finished = false;   // no directory to keep in step
    spec.players = {Player(0, "a", "CT", 10, 10, 1, 0), Player(1, "b", "TERRORIST", 0, 0, 0, 2)};
    spec.players[1].steamId = "76561197960265730";
    spec.kills = {{2, 1, 2, true, "ak47"}};
    spec.rounds = {{2, "#CTs_Win", ROUND_CT}};
    spec.nameChanges = {{2, 1, "bee"}};
    spec.chat = {Chat("#Cstrike_Chat_All", "x"), Chat("", "a: y", true), Chat("#Cstrike_Chat_CT", "z"),
                 Chat("#Cstrike_Chat_T", "w", true)};
    StructuredDemoLayout layout;
    const Bytes whole = BuildStructuredDemo(spec, &layout);
    std::vector<size_t> netFrames;
    for (size_t i = 0; i < layout.frames.size(); i++) {
        if (layout.frameTypes[i] <= 1)
            netFrames.push_back(layout.frames[i]);
    }
    // The first and last signon frames, the full update, and a frame with a
    // kill, a round end, a name change and chat.
    for (size_t index : {(size_t)0, (size_t)2, (size_t)3, (size_t)5}) {
        size_t frame = netFrames[index];
        size_t begin = frame + 477, length = Get32At(whole, frame + 473);
        SCOPED_TRACE(testing::Message() << "net frame " << index << " of " << length << " bytes");
        size_t boundaries = 0;
        for (size_t k = 0; k < length; k++) {
            Bytes cut = whole;
            cut.erase(cut.begin() + (long)(begin + k), cut.begin() + (long)(begin + length));
            Put32At(cut, frame + 473, (uint32_t)k);
            DemoTimeline timeline = Decode(cut);
            const DecodeCoverage& decoded = timeline.decoded;
            bool boundary = k == 0 || std::count(layout.messageStarts.begin(), layout.messageStarts.end(), begin + k);
            boundaries += boundary;
            ASSERT_EQ(netFrames.size(), decoded.frames) << k;
            ASSERT_GE(decoded.framesDecoded, index + boundary) << k;
            if (boundary) {
                ASSERT_TRUE(!decoded.failed || decoded.firstFailure.offset > frame) << k;
            } else {
                ASSERT_TRUE(decoded.failed) << k;
                ASSERT_EQ(frame, decoded.firstFailure.offset) << k;
                ASSERT_STRNE("", decoded.firstFailure.reason) << k;
            }
        }
        EXPECT_GE(boundaries, 2u);
    }
}
