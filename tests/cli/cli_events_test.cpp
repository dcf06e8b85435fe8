// flickbox-cli events, and info and chat from the decoded timeline: the real
// demos decode whole and give their measured facts; the exact lines of a
// generated demo; flickbox-cli.exe under Wine writes the same JSON.
#include <stdlib.h>

#include <algorithm>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/cli/support/cli_run.h"
#include "tests/support/demo_corpus.h"
#include "tools/structured_demo.h"

static size_t CountOf(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        count++;
    return count;
}

// The integer after the first "name": in a JSON line; -1 when there is none.
static long long JsonInteger(const std::string& line, const std::string& name)
{
    size_t at = line.find("\"" + name + "\":");
    return at == std::string::npos ? -1 : atoll(line.c_str() + at + name.size() + 3);
}

// "command --json names..." in the corpus folder: one line per demo, in order.
static std::vector<std::string> CorpusJson(const char* command, const std::vector<std::string>& names)
{
    std::vector<std::string> args = {command, "--json"};
    args.insert(args.end(), names.begin(), names.end());
    CliRun run = RunCli(args, DemoCorpusFolder());
    EXPECT_EQ(0, run.status) << run.err;
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(run.out.substr(start, end - start));
    EXPECT_EQ(names.size(), lines.size());
    lines.resize(names.size());
    return lines;
}

TEST(EventsRealDemos, EveryFrameOfEveryProtocol48DemoDecodes)
{
    REQUIRE_DEMO_CORPUS();
    std::vector<std::string> names = DemoCorpusNames();
    std::vector<std::string> lines = CorpusJson("events", names);
    std::vector<std::string> infos = CorpusJson("info", names);
    for (size_t i = 0; i < names.size(); i++) {
        SCOPED_TRACE(names[i]);
        const std::string& line = lines[i];
        long long frames = JsonInteger(line, "frames");
        EXPECT_GT(frames, 0);
        if (JsonInteger(infos[i], "networkProtocol") == 48) {
            EXPECT_EQ(frames, JsonInteger(line, "framesDecoded"));
            EXPECT_EQ(JsonInteger(line, "messageBytes"), JsonInteger(line, "messageBytesDecoded"));
            EXPECT_NE(std::string::npos, line.find(",\"firstFailure\":null},")) << line.substr(0, 300);
        } else {
            // Nothing describes the older protocols' messages: counted, not decoded.
            EXPECT_EQ(0, JsonInteger(line, "framesDecoded"));
            EXPECT_EQ(std::string::npos, line.find("\"foundBy\":\"decode\""));
        }
    }
}

// Measured with an independent decoder (SOURCES.md beside the demos).
struct MeasuredDemo {
    const char* name;
    long long frames;
    size_t kills, headshots, roundEnds, chat;
};

static const MeasuredDemo measuredDemos[] = {
    {"UnrealKaraulov__UnrealDemoScanner__furion_psilent1.dem", 3395, 49, 21, 0, 0},
    {"UnrealKaraulov__UnrealDemoScanner__alternative.dem", 2499, 10, 3, 1, 0},
    {"UnrealKaraulov__UnrealDemoScanner__hpp_31may_2021_1.dem", 4687, 13, 4, 2, 0},
    {"UnrealKaraulov__UnrealDemoScanner__hpp_returntogame.dem", 2873, 5, 0, 5, 0},
    {"UnrealKaraulov__UnrealDemoScanner__clean_demo_boostfps2.dem", 4891, 0, 0, 1, 3},
};

TEST(EventsRealDemos, KillsRoundEndsAndChatAsMeasured)
{
    std::vector<std::string> names;
    for (const MeasuredDemo& row : measuredDemos) {
        REQUIRE_CORPUS_DEMO(row.name);
        names.push_back(row.name);
    }
    std::vector<std::string> events = CorpusJson("events", names);
    std::vector<std::string> infos = CorpusJson("info", names);
    for (size_t i = 0; i < names.size(); i++) {
        SCOPED_TRACE(names[i]);
        const MeasuredDemo& row = measuredDemos[i];
        EXPECT_EQ(row.frames, JsonInteger(events[i], "framesDecoded"));
        EXPECT_EQ(row.kills, CountOf(events[i], "\"type\":\"kill\""));
        EXPECT_EQ(row.headshots, CountOf(events[i], "\"headshot\":true"));
        EXPECT_EQ(row.roundEnds, CountOf(events[i], "\"type\":\"round-end\""));
        EXPECT_EQ(row.chat, CountOf(events[i], "\"type\":\"chat\""));
        EXPECT_EQ(row.chat, CountOf(events[i], "\"foundBy\":\"decode\""));
        // info counts the same chat and says how much decoded.
        EXPECT_EQ((long long)row.chat, JsonInteger(infos[i], "chat"));
        EXPECT_EQ(row.frames, JsonInteger(infos[i], "framesDecoded"));
    }
}

TEST(WineEventsRealDemos, SameJsonAsTheNativeProgram)
{
    REQUIRE_DEMO_CORPUS();
    std::vector<std::string> names = DemoCorpusNames();
    for (const char* command : {"events", "info"}) {
        std::vector<std::string> args = {command, "--json"};
        args.insert(args.end(), names.begin(), names.end());
        CliRun native = RunCli(args, DemoCorpusFolder());
        CliRun wine = RunCliUnderWine(args, DemoCorpusFolder());
        EXPECT_EQ(0, native.status) << native.err;
        EXPECT_EQ(native.status, wine.status) << wine.err;
        EXPECT_EQ(names.size(), CountOf(wine.out, "\n"));
        EXPECT_TRUE(native.out == wine.out) << command << ": the outputs differ";
    }
}

// A game of three: a kill, a death by the world, a round end, a joining and
// leaving bot, a name change and chat of both teams.
static StructuredDemoSpec GameSpec()
{
    StructuredDemoSpec spec;
    spec.players = {{0, 11, "alice", "76561198000000001", false, false, "TERRORIST"},
                    {1, 12, "bob", "", false, false, "CT"},
                    {2, 13, "carol", "", true, false, "CT", 1, 5}};
    spec.kills = {{2, 1, 2, true, "ak47"}, {3, 0, 3, false, "worldspawn"}};
    spec.rounds = {{4, "#Target_Bombed", ROUND_T}};
    spec.nameChanges = {{6, 1, "bobby"}};
    spec.chat = {{"#Cstrike_Chat_All", "gg\n", 1}, {"#Cstrike_Chat_CT", "hold\n", 2}};
    return spec;
}

class CliEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeScratchFolder();
        ASSERT_FALSE(folder.empty());
    }
    void TearDown() override { RemoveScratchFolder(folder); }
    std::string folder;
};

struct ExactOutput {
    std::vector<std::string> args;
    const char* out;
    bool part = false;           // out is a part of the output, not all of it
};

// Times are the frames' own: the signon's at 200.25 s, group g's at (g + 1) / 100 s.
static const ExactOutput gameOutputs[] = {
    {{"events", "game.dem"},
     "game.dem\n"
     "    3:20.3  join          1  alice\n"
     "    3:20.3  join          2  bob\n"
     "    0:00.0  team          1  alice: T\n"
     "    0:00.0  team          2  bob: CT\n"
     "    0:00.0  all           1  alice: gg\n"
     "    0:00.0  join          3  carol\n"
     "    0:00.0  team          3  carol: CT\n"
     "    0:00.0  team          2  bob: hold\n"
     "    0:00.0  kill          1  alice killed bob with ak47, headshot\n"
     "    0:00.0  kill          0  (world) killed carol with worldspawn\n"
     "    0:00.0  round-end        round 1: T won (#Target_Bombed), T 1, CT 0\n"
     "    0:00.1  leave         3  carol\n"
     "    0:00.1  name-change   2  bobby: bob changed name to bobby\n"},
    {{"events", "--json", "game.dem"},
     "{\"path\":\"game.dem\",\"decoded\":{\"frames\":11,\"framesDecoded\":11,\"messageBytes\":5491,"
     "\"messageBytesDecoded\":5491,\"firstFailure\":null},\"recorder\":{\"slot\":0,\"entity\":1,\"name\":\"alice\","
     "\"steamId\":\"STEAM_0:1:19867136\"},\"players\":[{\"slot\":0,\"entity\":1,\"name\":\"alice\","
     "\"steamId\":\"STEAM_0:1:19867136\",\"bot\":false,\"hltv\":false,\"team\":\"T\",\"frags\":1,\"deaths\":0},"
     "{\"slot\":1,\"entity\":2,\"name\":\"bobby\",\"steamId\":null,\"bot\":false,\"hltv\":false,\"team\":\"CT\","
     "\"frags\":0,\"deaths\":1},{\"slot\":2,\"entity\":3,\"name\":\"carol\",\"steamId\":null,\"bot\":true,"
     "\"hltv\":false,\"team\":\"CT\",\"frags\":-1,\"deaths\":1}],\"events\":[{\"time\":200.25,\"type\":\"join\","
     "\"slot\":0,\"name\":\"alice\"},{\"time\":200.25,\"type\":\"join\",\"slot\":1,\"name\":\"bob\"},{\"time\":0.01,"
     "\"type\":\"team\",\"entity\":1,\"name\":\"alice\",\"team\":\"T\"},{\"time\":0.01,\"type\":\"team\","
     "\"entity\":2,\"name\":\"bob\",\"team\":\"CT\"},{\"time\":0.01,\"type\":\"chat\",\"kind\":\"all\",\"sender\":1,"
     "\"name\":\"alice\",\"text\":\"gg\",\"foundBy\":\"decode\"},{\"time\":0.02,\"type\":\"join\",\"slot\":2,"
     "\"name\":\"carol\"},{\"time\":0.02,\"type\":\"team\",\"entity\":3,\"name\":\"carol\",\"team\":\"CT\"},"
     "{\"time\":0.02,\"type\":\"chat\",\"kind\":\"team\",\"sender\":2,\"name\":\"bob\",\"text\":\"hold\","
     "\"foundBy\":\"decode\"},{\"time\":0.03,\"type\":\"kill\",\"killer\":1,\"killerName\":\"alice\",\"victim\":2,"
     "\"victimName\":\"bob\",\"weapon\":\"ak47\",\"headshot\":true},{\"time\":0.04,\"type\":\"kill\",\"killer\":0,"
     "\"killerName\":\"\",\"victim\":3,\"victimName\":\"carol\",\"weapon\":\"worldspawn\",\"headshot\":false},"
     "{\"time\":0.049999997,\"type\":\"round-end\",\"round\":1,\"winner\":\"T\",\"reason\":\"#Target_Bombed\","
     "\"score\":{\"T\":1,\"CT\":0}},{\"time\":0.06,\"type\":\"leave\",\"slot\":2,\"name\":\"carol\"},{\"time\":0.07,"
     "\"type\":\"name-change\",\"entity\":2,\"from\":\"bob\",\"to\":\"bobby\"}]}\n"},
    // info: the decoded chat count, then what decoded, the server and the recorder.
    {{"info", "game.dem"},
     "  chat            3 messages\n"
     "  decoded         11 of 11 frames, 5491 of 5491 message bytes\n"
     "  server          Flickbox test server, 32 player slots\n"
     "  recorder        slot 0, alice, STEAM_0:1:19867136\n"
     "  segment         0 LOADING",
     true},
    {{"info", "--json", "game.dem"},
     "]},\"decoded\":{\"frames\":11,\"framesDecoded\":11,\"messageBytes\":5491,\"messageBytesDecoded\":5491,"
     "\"firstFailure\":null},\"server\":{\"name\":\"Flickbox test server\",\"maxPlayers\":32},"
     "\"recorder\":{\"slot\":0,\"entity\":1,\"name\":\"alice\",\"steamId\":\"STEAM_0:1:19867136\"}}\n",
     true},
};

TEST_F(CliEvents, GeneratedGameExactly)
{
    WriteBytes(folder + "/game.dem", BuildStructuredDemo(GameSpec()));
    for (const ExactOutput& row : gameOutputs) {
        CliRun run = RunCli(row.args, folder);
        EXPECT_EQ(0, run.status) << run.err;
        if (row.part)
            EXPECT_NE(std::string::npos, run.out.find(row.out)) << row.out << "\nnot in\n" << run.out;
        else
            EXPECT_EQ(row.out, run.out);
    }
}

// Team chat after bytes the decoder cannot read is found by pattern only, as
// entity bytes that look like chat would be: it is listed, never stripped.
TEST_F(CliEvents, StripLeavesWhatOnlyThePatternFound)
{
    StructuredDemoSpec spec = GameSpec();
    spec.entityBytes = 40;
    spec.fillerGroups = {3};
    spec.chat.push_back({"#Cstrike_Chat_All", "nice\n", 1});
    spec.chat.push_back({"#Cstrike_Chat_T", "push\n", 1, true});   // group 3, after the filler
    StructuredDemoLayout layout;
    std::vector<unsigned char> demo = BuildStructuredDemo(spec, &layout);
    WriteBytes(folder + "/game.dem", demo);

    CliRun run = RunCli({"events", "game.dem"}, folder);
    EXPECT_EQ(0u, run.out.find("game.dem\n  decoded 10 of 11 frames, ")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("\n  first failure at offset " + std::to_string(layout.groupFrames[3])))
        << run.out;

    run = RunCli({"events", "--json", "game.dem"}, folder);
    EXPECT_NE(std::string::npos, run.out.find("\"kind\":\"team\",\"sender\":1,\"name\":\"alice\",\"text\":\"push\","
                                              "\"foundBy\":\"pattern\"}")) << run.out;
    run = RunCli({"strip-team-chat", "game.dem"}, folder);
    EXPECT_EQ("game.dem: 1 team messages stripped (older form 0, Steam form 1)\n", run.out) << run.err;
    std::vector<unsigned char> after = ReadBytes(folder + "/game.dem");
    ASSERT_EQ(demo.size(), after.size());
    size_t decoded = layout.chatOffsets[1], pattern = layout.chatOffsets[3];
    EXPECT_EQ(std::vector<unsigned char>(12, 0x01),
              std::vector<unsigned char>(after.begin() + decoded, after.begin() + decoded + 12));
    EXPECT_TRUE(std::equal(demo.begin() + pattern, demo.begin() + pattern + 12, after.begin() + pattern));
}
