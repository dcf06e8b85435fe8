// Cutting demos: generated demos cut at every frame and real demos at
// several points keep the state their start frame needs, their kills, round
// ends and chat, and the original's later frames; a cut of the end alone is
// what repair writes; states that differ are told apart.
#include <gtest/gtest.h>

#include <math.h>

#include <memory>
#include <string>
#include <vector>

#include "decode/cut_carry.h"
#include "decode/decode_demo.h"
#include "decode/decode_state.h"
#include "decode/demo_cut.h"
#include "demo/demo_repair.h"
#include "tests/support/demo_corpus.h"
#include "tests/unit/demo_test_support.h"
#include "tests/unit/structure_test_support.h"

// A demo decoded frame by frame: LOADING at once, Playback on request.
struct Stepper {
    Bytes bytes;
    DemoStructure structure;
    std::vector<CutFrame> loading, playback;
    std::unique_ptr<DecodeState, void (*)(DecodeState*)> state{NewDecodeState(), FreeDecodeState};
    size_t next = 0;
};

static bool IsNet(const CutFrame& frame)
{
    return frame.type == 0 || frame.type == 1;
}

static void Step(Stepper* s, const CutFrame& frame)
{
    NetFrame net;
    FrameReport report;
    ASSERT_TRUE(ReadNetFrame(s->bytes.data(), s->bytes.size(), frame.offset, &net));
    DecodeFrame(s->state.get(), net, &report);
    ASSERT_TRUE(report.decoded) << report.reason;
}

static void Start(Stepper* s, const Bytes& bytes)
{
    s->bytes = bytes;
    s->structure = Structure(bytes);
    ASSERT_TRUE(ListSegmentFrames(bytes.data(), s->structure.segments[0], &s->loading));
    ASSERT_TRUE(ListSegmentFrames(bytes.data(), s->structure.segments[1], &s->playback));
    StartDecode(s->state.get(), s->structure, NULL);
    for (const CutFrame& frame : s->loading) {
        if (IsNet(frame))
            Step(s, frame);
    }
}

// Decodes Playback frames up to and including frame last.
static void StepTo(Stepper* s, size_t last)
{
    for (; s->next <= last; s->next++) {
        if (IsNet(s->playback[s->next]))
            Step(s, s->playback[s->next]);
    }
}

// The meaning of a field: a time window as the time it stands for.
static void ExpectSameValues(const DecodeState& a, const DecodeState& b, const DeltaDescription& description,
                             const DeltaValues& va, float baseA, const DeltaValues& vb, float baseB,
                             const std::string& what)
{
    for (int i = 0; i < description.fieldCount; i++) {
        const DeltaField& field = description.fields[i];
        uint32_t type = field.type & ~(uint32_t)DT_SIGNED;
        std::string where = what + " " + field.name;
        if (type == DT_STRING) {
            EXPECT_STREQ(DeltaString(a.strings, va.raw[i]), DeltaString(b.strings, vb.raw[i])) << where;
            continue;
        }
        double x = DeltaFieldValue(field, va.raw[i], baseA), y = DeltaFieldValue(field, vb.raw[i], baseB);
        double units = TimeWindowUnits(field);
        if (units == 0) {
            EXPECT_EQ(x, y) << where;
            continue;
        }
        // Moved to another server time it keeps its time to half a step,
        // unless it lay further back than 8 bits reach: then it is clamped.
        double near = 0.5 / units + 1e-4;
        bool clamped = type == DT_TIMEWINDOW_8 && abs(vb.raw[i]) == 127 && (vb.raw[i] > 0 ? x < y : x > y);
        EXPECT_TRUE(fabs(x - y) <= near || clamped) << where << ": " << x << " vs " << y;
    }
}

// What a cut must keep after its start frame: every entity field,
// clientdata, weapons, players, teams and scores, light styles and the
// recorder's HUD values.
static void ExpectSameState(const DecodeState& a, const DecodeState& b)
{
    ASSERT_GE(a.latestPacket, 0);
    ASSERT_GE(b.latestPacket, 0);
    const PacketEntities& pa = a.packets[a.latestPacket];
    const PacketEntities& pb = b.packets[b.latestPacket];
    ASSERT_EQ(pa.entries.size(), pb.entries.size());
    for (size_t i = 0; i < pa.entries.size(); i++) {
        const EntityState& ea = PacketEntity(a, pa, i);
        const EntityState& eb = PacketEntity(b, pb, i);
        ASSERT_EQ(ea.number, eb.number);
        ASSERT_EQ(ea.kind, eb.kind);
        ExpectSameValues(a, b, *EntityDescription(a, ea.kind), ea.values, ea.timeBase, eb.values, eb.timeBase,
                         "entity " + std::to_string(ea.number));
    }
    ASSERT_EQ(a.latestClient < 0, b.latestClient < 0);
    if (a.latestClient >= 0) {
        const ClientState& ca = a.clients[(size_t)a.latestClient];
        const ClientState& cb = b.clients[(size_t)b.latestClient];
        ExpectSameValues(a, b, *RoleDescription(a, ROLE_CLIENTDATA), ca.clientdata, 0, cb.clientdata, 0, "client");
        static const DeltaValues zero = {};
        for (int w = 0; w < DECODE_MAX_WEAPONS && RoleDescription(a, ROLE_WEAPON); w++)
            ExpectSameValues(a, b, *RoleDescription(a, ROLE_WEAPON), ca.weaponsHeld >> w & 1 ? ca.weapons[w] : zero,
                             0, cb.weaponsHeld >> w & 1 ? cb.weapons[w] : zero, 0, "weapon " + std::to_string(w));
    }
    for (int slot = 0; slot < DECODE_MAX_SLOTS; slot++) {
        const DecodedPlayer& x = a.players[slot];
        const DecodedPlayer& y = b.players[slot];
        EXPECT_EQ(x.present, y.present) << slot;
        EXPECT_STREQ(x.name, y.name) << slot;
        EXPECT_EQ(x.team, y.team) << slot;
        EXPECT_EQ(x.frags, y.frags) << slot;
        EXPECT_EQ(x.deaths, y.deaths) << slot;
    }
    ASSERT_EQ(a.teamScoreCount, b.teamScoreCount);
    for (int i = 0; i < a.teamScoreCount; i++) {
        EXPECT_STREQ(a.teamScores[i].team, b.teamScores[i].team);
        EXPECT_EQ(0, memcmp(a.teamScores[i].message.payload, b.teamScores[i].message.payload,
                            a.teamScores[i].message.length));
    }
    for (int i = 0; i < DECODE_LIGHT_STYLES; i++)
        EXPECT_EQ(a.lightStyles[i], b.lightStyles[i]) << i;
    const LatestMessage* hud[][2] = {{&a.money, &b.money}, {&a.health, &b.health}, {&a.curWeapon, &b.curWeapon}};
    for (const auto& pair : hud) {
        EXPECT_EQ(pair[0]->seen, pair[1]->seen);
        EXPECT_EQ(0, memcmp(pair[0]->payload, pair[1]->payload, pair[0]->length));
    }
}

static bool SameFrameApartFromTime(const unsigned char* a, const unsigned char* b, size_t size)
{
    return a[0] == b[0] && memcmp(a + 5, b + 5, size - 5) == 0;
}

static std::vector<TimelineEvent> KeyEvents(const DemoTimeline& timeline, double from, double to, double shift)
{
    std::vector<TimelineEvent> kept;
    for (TimelineEvent event : timeline.events) {
        bool key = event.type == EVENT_KILL || event.type == EVENT_ROUND_END || event.type == EVENT_CHAT;
        if (key && event.time >= from && event.time <= to) {
            event.time = (float)(event.time + shift);
            kept.push_back(event);
        }
    }
    return kept;
}

// Cuts original to span and checks the cut against it. cutOut: the cut.
static void ExpectGoodCut(const Bytes& original, const CutSpan& span, Bytes* cutOut = NULL)
{
    DemoStructure structure = Structure(original);
    Bytes cut;
    CutReport report;
    ASSERT_TRUE(CutDemo(original.data(), original.size(), structure, span, &cut, &report)) << report.problem;
    DemoStructure after = Structure(cut);
    ASSERT_EQ(DEMO_COMPLETE, after.state) << after.problem;
    DemoTimeline timeline, cutTimeline;
    DecodeDemo(original.data(), original.size(), structure, &timeline);
    DecodeDemo(cut.data(), cut.size(), after, &cutTimeline);
    EXPECT_EQ(cutTimeline.decoded.frames, cutTimeline.decoded.framesDecoded);
    EXPECT_EQ(report.netFrames, cutTimeline.decoded.frames - (uint32_t)after.segments[0].framesByType[0]);

    // The start frame: the cut's first net-message frame, found in the original by its demo info.
    Stepper a, b;
    Start(&a, original);
    Start(&b, cut);
    if (::testing::Test::HasFatalFailure())
        return;
    size_t cutStart = 0, start = 0;
    while (!IsNet(b.playback[cutStart]))
        cutStart++;
    const unsigned char* info = &cut[b.playback[cutStart].offset + 9];
    while (start < a.playback.size() &&
           !(IsNet(a.playback[start]) && memcmp(&original[a.playback[start].offset + 9], info, 464) == 0))
        start++;
    ASSERT_LT(start, a.playback.size());
    EXPECT_EQ(report.keptFrom, a.playback[start].time);
    StepTo(&a, start);
    StepTo(&b, cutStart);
    if (::testing::Test::HasFatalFailure())
        return;
    ExpectSameState(*a.state, *b.state);

    // Times shifted to the first Playback frame's (unless the cut starts at
    // the first net-message frame); frames the original's apart from the
    // start frame and the frames rewritten after it.
    size_t firstNet = 0;
    while (!IsNet(a.playback[firstNet]))
        firstNet++;
    bool fromFirst = start == firstNet;
    double shift = fromFirst ? 0 : (double)a.playback[0].time - a.playback[start].time;
    uint32_t differing = 0;
    for (size_t j = cutStart; j < b.playback.size(); j++) {
        const CutFrame& kept = a.playback[start + (j - cutStart)];
        EXPECT_EQ((float)(kept.time + shift), b.playback[j].time);
        differing += b.playback[j].size != kept.size ||
                     !SameFrameApartFromTime(&cut[b.playback[j].offset], &original[kept.offset], kept.size);
    }
    EXPECT_EQ(fromFirst ? 0 : 1 + report.framesRewritten, differing);

    // Kills, round ends and chat of the span, at their shifted times.
    std::vector<TimelineEvent> want = KeyEvents(timeline, report.keptFrom, report.keptTo, shift);
    std::vector<TimelineEvent> got = KeyEvents(cutTimeline, -1e9, 1e9, 0);
    ASSERT_EQ(want.size(), got.size());
    for (size_t i = 0; i < want.size(); i++) {
        EXPECT_EQ(want[i].type, got[i].type);
        EXPECT_EQ(want[i].time, got[i].time);
        EXPECT_EQ(want[i].killer * 256 + want[i].victim, got[i].killer * 256 + got[i].victim);
        EXPECT_STREQ(want[i].weapon, got[i].weapon);
        EXPECT_STREQ(want[i].reason, got[i].reason);
        EXPECT_STREQ(want[i].text, got[i].text);
    }
    if (cutOut)
        *cutOut = cut;
}

// A cut of the end alone is the original up to its last kept frame, closed
// and given a directory as repair does for a recording cut there.
static void ExpectEndCutIsRepair(const Bytes& original, double to)
{
    Bytes cut;
    CutSpan span = {false, true, 0, to};
    ExpectGoodCut(original, span, &cut);
    if (::testing::Test::HasFatalFailure())
        return;
    size_t kept = Get32At(cut, 540) - 9;
    Bytes unfinished = Prefix(original, kept);
    Put32At(unfinished, 540, 0);
    Bytes repaired;
    ASSERT_TRUE(BuildRepairedDemo(unfinished.data(), unfinished.size(), Structure(unfinished), &repaired));
    EXPECT_TRUE(repaired == cut);
}

static StructuredPlayer Player(int slot, const char* name, const char* team)
{
    StructuredPlayer player = {slot, 20 + slot, name};
    player.team = team;
    player.x = 64.0f * slot;
    player.stepX = 1;
    return player;
}

// Forty frames: kills, round ends, chat, a name change, a player leaving,
// entities that come and go, every fourth frame a delta from two back.
static StructuredDemoSpec GameSpec()
{
    StructuredDemoSpec spec;
    spec.playbackGroups = 40;
    spec.maxPlayers = 8;
    spec.players = {Player(0, "rec", "CT"), Player(1, "bob", "TERRORIST"), Player(2, "carl", "TERRORIST")};
    spec.players[2].leaveGroup = 30;
    spec.kills = {{6, 1, 2, true, "ak47"}, {15, 2, 1, false, "awp"}, {33, 0, 3, false, "worldspawn"}};
    spec.rounds = {{8, "#Terrorists_Win", ROUND_T}, {21, "#Bomb_Defused", ROUND_CT}};
    spec.nameChanges = {{12, 1, "bobby"}};
    spec.chat = {Chat("#Cstrike_Chat_All", "gl", false, 2), Chat("#Cstrike_Chat_T", "go", false, 3)};
    return spec;
}

TEST(DemoCut, GeneratedDemoCutAtEveryFrame)
{
    StructuredDemoLayout layout;
    Bytes demo = BuildStructuredDemo(GameSpec(), &layout);
    for (size_t group = 0; group < layout.groupFrames.size(); group++) {
        float time;
        memcpy(&time, &demo[layout.groupFrames[group] + 1], sizeof time);
        SCOPED_TRACE(group);
        ExpectGoodCut(demo, CutSpan{true, false, time, 0});
        ExpectEndCutIsRepair(demo, time);
        if (::testing::Test::HasFatalFailure())
            return;
    }
}

TEST(DemoCut, RoundSpans)
{
    Bytes demo = BuildStructuredDemo(GameSpec());
    DemoStructure structure = Structure(demo);
    DemoTimeline timeline;
    DecodeDemo(demo.data(), demo.size(), structure, &timeline);
    std::vector<float> ends;
    for (const TimelineEvent& event : timeline.events) {
        if (event.type == EVENT_ROUND_END)
            ends.push_back(event.time);
    }
    ASSERT_EQ(2u, ends.size());
    static const struct {
        int first, last;
        bool exists;
        double from, to;    // negative: a round end, -1 - its index
    } rows[] = {
        {1, 1, true, 0, -1},          // from the start of Playback to its end plus 5 s
        {2, 2, true, -1, -2},         // from the round end before it
        {1, 2, true, 0, -2},
        {3, 3, false, 0, 0},
        {2, 3, false, 0, 0},
    };
    for (const auto& row : rows) {
        double from = 0, to = 0;
        char problem[CUT_PROBLEM_SIZE];
        bool exists = RoundSpan(timeline, structure, row.first, row.last, &from, &to, problem, sizeof problem);
        EXPECT_EQ(row.exists, exists) << row.first << "-" << row.last;
        if (!exists) {
            EXPECT_STREQ("round 3 does not exist: the demo has 2 round ends", problem);
            continue;
        }
        double wantFrom = row.from < 0 ? nextafterf(ends[(size_t)(-1 - row.from)], INFINITY) : row.from;
        double wantTo = fmin(ends[(size_t)(-1 - row.to)] + ROUND_TAIL_SECONDS, structure.duration);
        EXPECT_DOUBLE_EQ(wantFrom, from);
        EXPECT_DOUBLE_EQ(wantTo, to);
        ExpectGoodCut(demo, CutSpan{true, true, from, to});
    }
}

TEST(DemoCut, StatesThatDifferAreToldApart)
{
    // The check that guards every cut must see one frame's change.
    Bytes demo = BuildStructuredDemo(GameSpec());
    Stepper a, b;
    Start(&a, demo);
    Start(&b, demo);
    char why[CUT_PROBLEM_SIZE];
    for (size_t frame = 0; frame + 1 < a.playback.size(); frame++) {
        StepTo(&a, frame);
        StepTo(&b, frame);
        ASSERT_TRUE(SameCarriedState(*a.state, *b.state, why, sizeof why)) << why;
        if (!IsNet(a.playback[frame + 1]))
            continue;
        StepTo(&b, frame + 1);
        EXPECT_FALSE(SameCarriedState(*a.state, *b.state, why, sizeof why)) << frame;
    }
}

TEST(DemoCutRealFiles, EveryDemoCutAtSeveralPoints)
{
    REQUIRE_DEMO_CORPUS();
    int cut = 0;
    for (const std::string& name : DemoCorpusNames()) {
        Bytes demo = ReadRealDemo(name.c_str());
        DemoStructure structure = Structure(demo);
        if (structure.header.networkProtocol != 48 || structure.state != DEMO_COMPLETE ||
            structure.segments.size() < 2)
            continue;
        DemoTimeline timeline;
        DecodeDemo(demo.data(), demo.size(), structure, &timeline);
        int rounds = 0;
        for (const TimelineEvent& event : timeline.events)
            rounds += event.type == EVENT_ROUND_END;
        std::vector<CutSpan> spans;
        for (double part : {0.25, 0.5, 0.8})
            spans.push_back(CutSpan{true, false, structure.duration * part, 0});
        spans.push_back(CutSpan{true, true, structure.duration * 0.3, structure.duration * 0.6});
        double from, to;
        char problem[CUT_PROBLEM_SIZE];
        if (rounds > 0 && RoundSpan(timeline, structure, rounds, rounds, &from, &to, problem, sizeof problem))
            spans.push_back(CutSpan{true, true, from, to});   // --from-round N --to-round N: the last
        if (rounds > 0 && RoundSpan(timeline, structure, 1, 1, &from, &to, problem, sizeof problem))
            spans.push_back(CutSpan{false, true, 0, to});     // --to-round 1
        for (const CutSpan& span : spans) {
            SCOPED_TRACE(name + " from " + std::to_string(span.from) + " to " + std::to_string(span.to));
            ExpectGoodCut(demo, span);
            cut++;
        }
        ExpectEndCutIsRepair(demo, structure.duration / 2);
    }
    if (cut == 0)
        GTEST_SKIP() << "no complete protocol-48 demo in " << DemoCorpusFolder();
}

TEST(DemoCutRealFiles, SignonInsidePlaybackBecomesTheCutsLoading)
{
    // This recording reconnects at 0:27.3: a cut after that needs the later signon.
    const char* name = "UnrealKaraulov__UnrealDemoScanner__test_name_change.dem";
    REQUIRE_CORPUS_DEMO(name);
    Bytes demo = ReadRealDemo(name), cut;
    ExpectGoodCut(demo, CutSpan{true, false, 40, 0}, &cut);
    ASSERT_FALSE(cut.empty());
    std::vector<CutFrame> loading, playback;
    ASSERT_TRUE(ListSegmentFrames(cut.data(), Structure(cut).segments[0], &loading));
    ASSERT_TRUE(ListSegmentFrames(demo.data(), Structure(demo).segments[1], &playback));
    ASSERT_FALSE(loading.empty());
    const CutFrame& first = loading[0];
    EXPECT_EQ(0, first.type);
    float signonAt = -1;
    for (const CutFrame& frame : playback) {
        if (frame.size == first.size && memcmp(&demo[frame.offset + 1], &cut[first.offset + 1], frame.size - 1) == 0)
            signonAt = frame.time;
    }
    EXPECT_NEAR(27.3, signonAt, 0.05);
}
