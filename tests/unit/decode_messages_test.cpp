// Message bytes fed frame by frame to the decoder: which frames decode,
// why the others do not, and what the game's messages leave in the state
// and the timeline.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "decode/bits.h"
#include "decode/decode_demo.h"
#include "decode/decode_state.h"
#include "tests/unit/structure_test_support.h"

enum { SAY_TEXT = 64, DEATH = 65, TEAM_SCORE = 66, TEXT_MSG = 67, TEAM_INFO = 68, SCORE_INFO = 69, MONEY = 70 };

struct Session {
    DemoStructure structure;
    DemoTimeline timeline;
    DecodeState* state;
    int frames;
};

static void Add(Bytes* out, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        out->push_back((unsigned char)b);
}

static void AddText(Bytes* out, const char* text)
{
    out->insert(out->end(), text, text + strlen(text) + 1);
}

static void AddRegistration(Bytes* out, int id, int size, const char* name)
{
    Add(out, {39, id, size});
    char field[16] = {0};
    strncpy(field, name, sizeof field - 1);
    out->insert(out->end(), field, field + 16);
}

// A variable-size user message: id, length byte, payload.
static void AddUser(Bytes* out, int id, const Bytes& payload)
{
    Add(out, {id, (int)payload.size()});
    out->insert(out->end(), payload.begin(), payload.end());
}

static Bytes Payload(std::initializer_list<int> head, const char* text = NULL, std::initializer_list<int> tail = {})
{
    Bytes payload;
    Add(&payload, head);
    if (text)
        AddText(&payload, text);
    Add(&payload, tail);
    return payload;
}

static void AddUserInfo(Bytes* out, int slot, const char* info)
{
    Add(out, {13, slot, 7, 0, 0, 0});
    AddText(out, info);
    out->resize(out->size() + 16, 0);
}

// The signon a Counter-Strike server sends: serverinfo (16 players, the
// recorder in slot 0) and the user messages these tests use.
static Bytes Signon()
{
    Bytes out = {11};
    out.resize(out.size() + 4 + 4 + 4 + 16, 0);
    Add(&out, {16, 0, 1});
    AddText(&out, "cstrike");
    AddText(&out, "Test server");
    AddText(&out, "maps/de_test.bsp");
    AddText(&out, "");
    Add(&out, {0});
    const char* names[] = {"SayText", "DeathMsg", "TeamScore", "TextMsg", "TeamInfo", "ScoreInfo", "Money"};
    const int sizes[] = {255, 255, 255, 255, 255, 9, 5};
    for (int i = 0; i < 7; i++)
        AddRegistration(&out, SAY_TEXT + i, sizes[i], names[i]);
    return out;
}

static void Start(Session* session)
{
    session->structure.header.demoProtocol = 5;
    session->structure.header.networkProtocol = 48;
    session->state = NewDecodeState();
    session->frames = 0;
    StartDecode(session->state, session->structure, &session->timeline);
}

static FrameReport Feed(Session* session, const Bytes& messages, float time = 1.0f)
{
    NetFrame frame;
    memset(&frame, 0, sizeof frame);
    frame.type = 1;
    frame.time = time;
    frame.incomingSequence = 100 + session->frames;
    frame.messages = messages.data();
    frame.messageLength = (uint32_t)messages.size();
    frame.index = session->frames++;
    FrameReport report;
    DecodeFrame(session->state, frame, &report);
    return report;
}

static const TimelineEvent* Last(const Session& session, TimelineEventType type)
{
    const TimelineEvent* found = NULL;
    for (const TimelineEvent& event : session.timeline.events) {
        if (event.type == type)
            found = &event;
    }
    return found;
}

TEST(DecodeMessages, FramesDecodeOnlyToTheirLastByte)
{
    struct Row {
        Bytes messages;
        bool decoded;
        int failedMessage;
        uint32_t failedAt;
        const char* reason;        // a part of it
    } rows[] = {
        {{}, true, -1, 0, ""},
        {{1, 1, 1, 7, 0, 0, 0x80, 0x3F}, true, -1, 0, ""},
        {{1, 7, 0, 0, 0x80}, false, 7, 1, "svc_time at 1 runs past"},
        {{0}, false, 0, 0, "svc_bad at 0"},
        {{1, 62}, false, 62, 1, "reserved 62"},
        {{80, 1}, false, 80, 0, "user message 80 at 0 was never registered"},
        {{SCORE_INFO, 1, 2, 3, 4, 5, 6, 7, 8}, false, SCORE_INFO, 0, "ScoreInfo at 0 runs past"},
        {{SCORE_INFO, 1, 2, 3, 4, 5, 6, 7, 8, 9}, true, -1, 0, ""},
        {{23, 16}, false, 23, 0, "temp entity kind 16"},
        {{23, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, true, -1, 0, ""},
        // A text message's effect time comes for effect 2 only.
        {{23, 29, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'x', 0}, true, -1, 0, ""},
        {{23, 29, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'x', 0}, true, -1, 0, ""},
        {{23, 29, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'x', 0}, false, 23, 0, "runs past"},
        // A bit-packed message takes at least one byte: no pings is 1 byte.
        {{17, 0}, true, -1, 0, ""},
        {{17}, false, 17, 0, "svc_pings at 0 runs past"},
        {{17, 0x03, 0, 0, 0}, true, -1, 0, ""},              // one ping: 26 bits
        {{17, 0x03, 0, 0}, false, 17, 0, "runs past"},
        {{15, 0}, false, 15, 0, "did not describe clientdata_t"},
        {{41, 0, 0, 7, 0, 0}, false, 41, 0, "delta from sequence 7, which no packet holds"},
        {{51, 3, 1, 2, 3, 1}, true, -1, 0, ""},
        {{53, 2, 0, 0, 1}, true, -1, 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.messages));
        Session session;
        Start(&session);
        ASSERT_TRUE(Feed(&session, Signon()).decoded);
        FrameReport report = Feed(&session, row.messages);
        EXPECT_EQ(row.decoded, report.decoded);
        EXPECT_EQ(row.failedMessage, report.failedMessage);
        EXPECT_EQ(row.failedAt, report.failedAt);
        EXPECT_NE(nullptr, strstr(report.reason, row.reason)) << report.reason;
        const DecodeCoverage& coverage = session.timeline.decoded;
        EXPECT_EQ(2u, coverage.frames);
        EXPECT_EQ(row.decoded ? 2u : 1u, coverage.framesDecoded);
        EXPECT_EQ(!row.decoded, coverage.failed);
        FreeDecodeState(session.state);
    }
}

TEST(DecodeMessages, AProxysClientdataIsItsIdAlone)
{
    Session session;
    Start(&session);
    Feed(&session, Signon());
    EXPECT_FALSE(Feed(&session, {15}).decoded);
    EXPECT_TRUE(Feed(&session, {50, 0, 15, 1}).decoded);
    EXPECT_TRUE(Feed(&session, {15}).decoded);
    FreeDecodeState(session.state);
}

TEST(DecodeMessages, PlayersKillsAndTheirNames)
{
    Session session;
    Start(&session);
    Bytes signon = Signon();
    AddUserInfo(&signon, 0, "\\name\\rec\\*sid\\76561197960265731");
    AddUserInfo(&signon, 2, "\\name\\bob\\*bot\\1");
    AddUserInfo(&signon, 3, "\\name\\tv\\*hltv\\1\\*sid\\90071996842377218");
    ASSERT_TRUE(Feed(&session, signon).decoded);
    Bytes frame;
    AddUser(&frame, TEAM_INFO, Payload({4}, "TERRORIST"));
    AddUser(&frame, DEATH, Payload({1, 3, 1}, "deagle"));
    AddUser(&frame, DEATH, Payload({3, 1, 0}, "ak47"));
    Add(&frame, {SCORE_INFO, 4, 5, 0, 2, 0, 0, 0, 1, 0});
    AddUserInfo(&frame, 2, "");
    Add(&frame, {MONEY, 0x10, 0x27, 0, 0, 1});
    ASSERT_TRUE(Feed(&session, frame, 3.5f).decoded);

    std::vector<const TimelineEvent*> kills;
    for (const TimelineEvent& event : session.timeline.events) {
        if (event.type == EVENT_KILL)
            kills.push_back(&event);
    }
    ASSERT_EQ(2u, kills.size());
    EXPECT_STREQ("rec", kills[0]->killerName);
    EXPECT_STREQ("bob", kills[0]->victimName);
    EXPECT_TRUE(kills[0]->headshot);
    EXPECT_STREQ("deagle", kills[0]->weapon);
    EXPECT_FALSE(kills[1]->headshot);
    EXPECT_FLOAT_EQ(3.5f, kills[1]->time);
    EXPECT_EQ(10u, kills[1]->length);     // id, length byte, 3 bytes, "ak47" and its NUL
    const TimelineEvent* leave = Last(session, EVENT_LEAVE);
    ASSERT_NE(nullptr, leave);
    EXPECT_STREQ("bob", leave->name);
    const TimelineEvent* team = Last(session, EVENT_TEAM);
    ASSERT_NE(nullptr, team);
    EXPECT_EQ(TEAM_T, team->team);

    FinishDecode(session.state);
    const std::vector<TimelinePlayer>& players = session.timeline.players;
    ASSERT_EQ(3u, players.size());
    EXPECT_STREQ("STEAM_0:1:1", players[0].steamId);
    EXPECT_TRUE(players[1].bot);
    EXPECT_FALSE(players[1].present);
    EXPECT_TRUE(players[2].hltv);
    EXPECT_STREQ("", players[2].steamId);      // account type 4 is no player's
    EXPECT_EQ(TEAM_T, players[2].team);
    EXPECT_EQ(5, players[2].frags);
    EXPECT_EQ(2, players[2].deaths);
    EXPECT_TRUE(session.state->money.seen);
    EXPECT_EQ(5, session.state->money.length);
    EXPECT_EQ(0x10, session.state->money.payload[0]);
    FreeDecodeState(session.state);
}

// Half-Life's DeathMsg has no headshot byte; a weapon never starts with 0 or 1.
TEST(DecodeMessages, DeathMessagesOfBothGames)
{
    struct Row {
        Bytes payload;
        bool headshot;
        const char* weapon;
    } rows[] = {
        {Payload({1, 2, 1}, "awp"), true, "awp"},
        {Payload({1, 2, 0}, "awp"), false, "awp"},
        {Payload({1, 2}, "crowbar"), false, "crowbar"},
        {Payload({1, 2}, ""), false, ""},
        {Payload({1, 2, 1}, "usp", {1, 0, 0, 0}), true, "usp"},
    };
    for (const Row& row : rows) {
        Session session;
        Start(&session);
        Feed(&session, Signon());
        Bytes frame;
        AddUser(&frame, DEATH, row.payload);
        ASSERT_TRUE(Feed(&session, frame).decoded);
        const TimelineEvent* kill = Last(session, EVENT_KILL);
        ASSERT_NE(nullptr, kill);
        EXPECT_EQ(row.headshot, kill->headshot);
        EXPECT_STREQ(row.weapon, kill->weapon);
        FreeDecodeState(session.state);
    }
}

// The scores after a round: TeamScore of the round end's frame (sent before
// its TextMsg by real servers), else the next ones within a few seconds.
TEST(DecodeMessages, RoundEndsAndTheirScores)
{
    struct Row {
        const char* key;
        int destination;
        bool scoresBefore, scoresAfter;
        float afterAt;
        bool roundEnd;
        int scoreT, scoreCT;
    } rows[] = {
        {"#Terrorists_Win", 4, true, false, 0, true, 3, 1},
        {"#Terrorists_Win", 4, false, true, 2, true, 5, 4},   // the first that follow
        {"#Terrorists_Win", 4, false, true, 9, true, 2, 1},   // too late: the scores before stand
        {"#Bomb_Defused", 4, true, true, 2, true, 3, 1},      // the frame's own scores win
        {"#Terrorists_Win", 3, true, false, 0, false, 0, 0},  // not a centre print
        {"#Game_Commencing", 4, true, false, 0, false, 0, 0},
        {"#Game_will_restart_in", 4, true, false, 0, false, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        Session session;
        Start(&session);
        Bytes signon = Signon();
        AddUser(&signon, TEAM_SCORE, Payload({}, "TERRORIST", {2, 0}));
        AddUser(&signon, TEAM_SCORE, Payload({}, "CT", {1, 0}));
        Feed(&session, signon, 0);
        Bytes frame;
        if (row.scoresBefore) {
            AddUser(&frame, TEAM_SCORE, Payload({}, "CT", {1, 0}));
            AddUser(&frame, TEAM_SCORE, Payload({}, "TERRORIST", {3, 0}));
        }
        AddUser(&frame, TEXT_MSG, Payload({row.destination}, row.key));
        ASSERT_TRUE(Feed(&session, frame, 10).decoded);
        if (row.scoresAfter) {
            Bytes later;
            AddUser(&later, TEAM_SCORE, Payload({}, "TERRORIST", {7, 0}));
            AddUser(&later, TEAM_SCORE, Payload({}, "CT", {7, 0}));
            Bytes first;
            AddUser(&first, TEAM_SCORE, Payload({}, "TERRORIST", {5, 0}));
            AddUser(&first, TEAM_SCORE, Payload({}, "CT", {4, 0}));
            Feed(&session, first, 10 + row.afterAt);
            Feed(&session, later, 10 + row.afterAt);
        }
        const TimelineEvent* round = Last(session, EVENT_ROUND_END);
        EXPECT_EQ(row.roundEnd, round != NULL);
        if (round) {
            EXPECT_EQ(1, round->round);
            EXPECT_STREQ(row.key, round->reason);
            EXPECT_EQ(row.scoreT, round->scoreT);
            EXPECT_EQ(row.scoreCT, round->scoreCT);
        }
        FreeDecodeState(session.state);
    }
}

// A new svc_serverinfo drops the old signon's descriptions and packets.
TEST(DecodeMessages, ANewSignonStartsAfresh)
{
    Session session;
    Start(&session);
    Bytes signon = Signon();
    Add(&signon, {14});
    AddText(&signon, "entity_state_t");
    DeltaDescription description;
    memset(&description, 0, sizeof description);
    description.fieldCount = 1;
    ASSERT_TRUE(MakeDeltaField(&description.fields[0], "origin[0]", DT_SIGNED | DT_FLOAT, 16, 8, 1));
    BitWriter writer;
    StartBitWriter(&writer, &signon);
    WriteDeltaDescriptionFields(&writer, description);
    EndBitWriting(&writer);
    ASSERT_TRUE(Feed(&session, signon).decoded);
    // A full packet of entity 40 at x = 12.5, then a delta from it.
    Bytes packet = {40, 1, 0};
    StartBitWriter(&writer, &packet);
    WriteBits(&writer, 0, 1);
    WriteBits(&writer, 1, 1);
    WriteBits(&writer, 40, 11);
    WriteBits(&writer, 0, 2);      // not custom, no offset
    DeltaValues values;
    values.raw[0] = 100;
    WriteDelta(&writer, description, values, 1, NULL);
    WriteBits(&writer, 0, 16);
    EndBitWriting(&writer);
    FrameReport report = Feed(&session, packet);
    ASSERT_TRUE(report.decoded) << report.reason;
    EXPECT_EQ(-2, report.entitiesFrom);
    const PacketEntities* held = FindPacket(*session.state, 101);
    ASSERT_NE(nullptr, held);
    ASSERT_EQ(1u, held->entries.size());
    EXPECT_EQ(40, PacketEntity(*session.state, *held, 0).number);
    EXPECT_EQ(100, PacketEntity(*session.state, *held, 0).values.raw[0]);
    EXPECT_TRUE(Feed(&session, {41, 1, 0, 101, 0, 0}).decoded);
    ASSERT_TRUE(Feed(&session, Signon()).decoded);
    EXPECT_EQ(nullptr, FindPacket(*session.state, 101));
    EXPECT_EQ(nullptr, RoleDescription(*session.state, ROLE_ENTITY));
    report = Feed(&session, {41, 1, 0, 101, 0, 0});
    EXPECT_FALSE(report.decoded);
    FreeDecodeState(session.state);
}

// A network protocol the decoder does not read: its frames count as not
// decoded, and its chat and players are what the structure layer found.
TEST(DecodeMessages, OtherProtocolsKeepTheStructuresChat)
{
    StructuredDemoSpec spec;
    spec.networkProtocol = 43;
    spec.players = {{0, 10, "ann"}};
    spec.chat = {Chat("#Cstrike_Chat_All", "hello", false, 1)};
    Bytes demo = BuildStructuredDemo(spec);
    DemoStructure structure = Structure(demo);
    ASSERT_EQ(1u, structure.chat.size());
    DemoTimeline timeline;
    DecodeDemo(demo.data(), demo.size(), structure, &timeline);
    EXPECT_FALSE(timeline.decodable);
    EXPECT_GT(timeline.decoded.frames, 0u);
    EXPECT_EQ(0u, timeline.decoded.framesDecoded);
    EXPECT_NE(nullptr, strstr(timeline.decoded.firstFailure.reason, "network protocol 43"));
    ASSERT_EQ(1u, timeline.events.size());
    const TimelineEvent& chat = timeline.events[0];
    EXPECT_EQ(EVENT_CHAT, chat.type);
    EXPECT_TRUE(chat.foundByPattern);
    EXPECT_EQ(CHAT_ALL, chat.kind);
    EXPECT_STREQ("hello", chat.text);
    EXPECT_STREQ("ann", chat.name);
    EXPECT_EQ(structure.chat[0].offset, chat.offset);
    ASSERT_EQ(1u, timeline.players.size());
    EXPECT_STREQ("ann", timeline.players[0].name);
    EXPECT_EQ(1, timeline.players[0].entity);
}
