// The message decoder on the real recordings of the corpus folder: every
// frame of a protocol-48 demo decodes to its last byte, and the shared demos
// hold what an independent decoder counted in them.
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <set>
#include <string>

#include "decode/decode_demo.h"
#include "decode/decode_state.h"
#include "tests/unit/demo_test_support.h"

struct Decoded {
    DemoStructure structure;
    DemoTimeline timeline;
};

static bool Decode(const std::string& name, Decoded* decoded)
{
    Bytes bytes = ReadRealDemo(name.c_str());
    if (bytes.empty())
        return false;
    ReadDemoStructure(bytes.data(), bytes.size(), &decoded->structure);
    DecodeDemo(bytes.data(), bytes.size(), decoded->structure, &decoded->timeline);
    return true;
}

static int Count(const DemoTimeline& timeline, TimelineEventType type)
{
    int count = 0;
    for (const TimelineEvent& event : timeline.events)
        count += event.type == type;
    return count;
}

// Slots that held a player at some time during Playback: present when the
// LOADING frames end, or joining later.
static size_t PlaybackSlots(const Decoded& decoded)
{
    const DemoSegment& loading = decoded.structure.segments[0];
    int loadingFrames = (int)(loading.framesByType[0] + loading.framesByType[1]);
    std::set<int> present, seen;
    bool playback = false;
    for (const TimelineEvent& event : decoded.timeline.events) {
        if (!playback && event.frameIndex >= loadingFrames) {
            playback = true;
            seen = present;
        }
        if (event.type == EVENT_JOIN) {
            present.insert(event.slot);
            if (playback)
                seen.insert(event.slot);
        } else if (event.type == EVENT_LEAVE) {
            present.erase(event.slot);
        }
    }
    if (!playback)
        seen = present;
    return seen.size();
}

TEST(DecodeRealFiles, EveryProtocol48FrameDecodesToItsLastByte)
{
    REQUIRE_DEMO_CORPUS();
    Decoded decoded;
    int decodable = 0;
    for (const std::string& name : DemoCorpusNames()) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(Decode(name, &decoded));
        const DecodeCoverage& coverage = decoded.timeline.decoded;
        uint32_t netFrames = 0;
        for (const DemoSegment& segment : decoded.structure.segments)
            netFrames += segment.framesByType[0] + segment.framesByType[1];
        EXPECT_EQ(netFrames, coverage.frames);
        if (decoded.structure.header.networkProtocol != 48) {
            EXPECT_FALSE(decoded.timeline.decodable);
            EXPECT_EQ(0u, coverage.framesDecoded);
            EXPECT_EQ(0u, coverage.messageBytesDecoded);
            EXPECT_EQ(coverage.frames > 0, coverage.failed);
            continue;
        }
        decodable++;
        EXPECT_TRUE(decoded.timeline.decodable);
        EXPECT_EQ(coverage.frames, coverage.framesDecoded) << coverage.firstFailure.reason;
        EXPECT_EQ(coverage.messageBytes, coverage.messageBytesDecoded);
        EXPECT_FALSE(coverage.failed) << "at " << coverage.firstFailure.offset << ", message "
                                      << coverage.firstFailure.messageId << ": " << coverage.firstFailure.reason;
        for (const TimelineEvent& event : decoded.timeline.events)
            EXPECT_FALSE(event.foundByPattern);
    }
    if (decodable == 0)
        GTEST_SKIP() << "the corpus holds no network protocol 48 demo";
}

TEST(DecodeRealFiles, SharedDemosHoldTheirCountedFacts)
{
    struct Row {
        const char* name;
        uint32_t frames;
        int kills, headshots, roundEnds, chat;
        size_t slots;
    };
    static const Row rows[] = {
        {"UnrealKaraulov__UnrealDemoScanner__furion_psilent1.dem", 3395, 49, 21, 0, 0, 4},
        {"UnrealKaraulov__UnrealDemoScanner__alternative.dem", 2499, 10, 3, 1, 0, 20},
        {"UnrealKaraulov__UnrealDemoScanner__hpp_31may_2021_1.dem", 4687, 13, 4, 2, 0, 11},
        {"UnrealKaraulov__UnrealDemoScanner__hpp_returntogame.dem", 2873, 5, 0, 5, 0, 1},
        {"UnrealKaraulov__UnrealDemoScanner__clean_demo_boostfps2.dem", 4891, 0, 0, 1, 3, 1},
    };
    int read = 0;
    for (const Row& row : rows) {
        if (DemoCorpusFolder().empty() || !IsFile(DemoCorpusPath(row.name)))
            continue;
        SCOPED_TRACE(row.name);
        Decoded decoded;
        ASSERT_TRUE(Decode(row.name, &decoded));
        read++;
        const DemoTimeline& timeline = decoded.timeline;
        EXPECT_EQ(row.frames, timeline.decoded.frames);
        EXPECT_EQ(row.frames, timeline.decoded.framesDecoded);
        EXPECT_EQ(row.kills, Count(timeline, EVENT_KILL));
        int headshots = 0;
        for (const TimelineEvent& event : timeline.events)
            headshots += event.type == EVENT_KILL && event.headshot;
        EXPECT_EQ(row.headshots, headshots);
        EXPECT_EQ(row.roundEnds, Count(timeline, EVENT_ROUND_END));
        EXPECT_EQ(row.chat, Count(timeline, EVENT_CHAT));
        EXPECT_EQ(row.slots, PlaybackSlots(decoded));
    }
    if (read == 0)
        GTEST_SKIP() << "the corpus lacks the recordings with counted facts";
}

// The older shared demos: chat, name changes across a map change, the HLTV
// proxy's own stream, a Half-Life recording, and the WON-era ones.
TEST(DecodeRealFiles, ChatNamesAndPlayersOfTheOlderSharedDemos)
{
    struct Row {
        const char* name;
        int chat, nameChanges;
        const char* firstName;     // slot 0's name at the end
        bool hltv;
        const char* lastChat;      // "" for none
    };
    static const Row rows[] = {
        {"UnrealKaraulov__UnrealDemoScanner__antifak.dem", 7, 0, "222ahahahaha555", false, "Test spam"},
        {"UnrealKaraulov__UnrealDemoScanner__test_name_change.dem", 0, 3, "222ahahahaha555", false, ""},
        {"UnrealKaraulov__UnrealDemoScanner__demotesttestste.dem-2405171129-cs_assault.dem", 0, 0, "HLTV Proxy",
         true, ""},
        {"YaLTeR__hldemo-rs__basic.dem", 0, 0, "^2{^7ch^2e^7a^2t^7s^2}^0__$#]^@", false, ""},
    };
    int read = 0;
    for (const Row& row : rows) {
        if (DemoCorpusFolder().empty() || !IsFile(DemoCorpusPath(row.name)))
            continue;
        SCOPED_TRACE(row.name);
        Decoded decoded;
        ASSERT_TRUE(Decode(row.name, &decoded));
        read++;
        const DemoTimeline& timeline = decoded.timeline;
        EXPECT_EQ(timeline.decoded.frames, timeline.decoded.framesDecoded);
        EXPECT_EQ(row.chat, Count(timeline, EVENT_CHAT));
        EXPECT_EQ(row.nameChanges, Count(timeline, EVENT_NAME_CHANGE));
        ASSERT_FALSE(timeline.players.empty());
        EXPECT_STREQ(row.firstName, timeline.players[0].name);
        EXPECT_EQ(row.hltv, timeline.players[0].hltv);
        const TimelineEvent* last = NULL;
        for (const TimelineEvent& event : timeline.events) {
            if (event.type == EVENT_CHAT)
                last = &event;
        }
        EXPECT_STREQ(row.lastChat, last ? last->text : "");
    }
    if (read == 0)
        GTEST_SKIP() << "the corpus lacks the older shared recordings";
}

// Where kills happened: the recorder's own origin comes from clientdata, the
// victims' from the packet entities they are in; the recorder's path is thinned.
TEST(DecodeRealFiles, PositionsOfKillsAndTheRecordersPath)
{
    const char* name = "UnrealKaraulov__UnrealDemoScanner__furion_psilent1.dem";
    REQUIRE_CORPUS_DEMO(name);
    Decoded decoded;
    ASSERT_TRUE(Decode(name, &decoded));
    const DemoTimeline& timeline = decoded.timeline;
    EXPECT_EQ(1, timeline.recorderSlot);
    int placed = 0, kills = 0, killerPlaced = 0;
    for (const TimelineEvent& event : timeline.events) {
        if (event.type != EVENT_KILL)
            continue;
        kills++;
        placed += event.victimAt.known;
        killerPlaced += event.killer == 2 && event.killerAt.known;
        // de_dust2 lies within a few thousand units of the origin.
        if (event.victimAt.known) {
            EXPECT_LT(fabsf(event.victimAt.x), 4096.0f);
            EXPECT_LT(fabsf(event.victimAt.y), 4096.0f);
        }
    }
    // A victim outside the recorder's view is in no packet he received.
    EXPECT_GT(placed * 4, kills * 3);
    EXPECT_EQ(27, killerPlaced);
    ASSERT_GT(timeline.recorderPath.size(), 10u);
    // Thinned to half a second at least between samples (while time goes on).
    for (size_t i = 1; i < timeline.recorderPath.size(); i++) {
        float step = timeline.recorderPath[i].time - timeline.recorderPath[i - 1].time;
        EXPECT_TRUE(step < 0 || step >= 0.5f) << i;
    }
}
