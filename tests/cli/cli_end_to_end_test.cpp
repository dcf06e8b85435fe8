// The native flickbox-cli run as a user runs it, on folders of generated
// demos: its output, its errors and exit status, and the files it leaves.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>


#include <filesystem>
#include <string>
#include <vector>

#include "demo/analysis.h"
#include "demo/demo_repair.h"
#include "demo/demo_structure.h"
#include "demo/resolution_records.h"
#include "demo/steam_team_chat.h"
#include "demo/team_messages.h"
#include "gtest/gtest.h"
#include "tests/cli/support/cli_run.h"
#include "tests/support/demo_corpus.h"
#include "tests/unit/structure_test_support.h"
#include "tools/sample_demo.h"
#include "tools/structured_demo.h"

namespace fs = std::filesystem;

class CliFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeScratchFolder();
        ASSERT_FALSE(folder.empty());
    }
    void TearDown() override { RemoveScratchFolder(folder); }

    std::string Path(const std::string& name) const { return folder + "/" + name; }
    void Put(const std::string& name, const std::vector<unsigned char>& bytes) const { WriteBytes(Path(name), bytes); }
    CliRun Cli(const std::vector<std::string>& args) const { return RunCli(args, folder); }

    std::string folder;
};

class CliInfo : public CliFolderTest {};
class CliChat : public CliFolderTest {};
class CliBadInputs : public CliFolderTest {};
class CliStrip : public CliFolderTest {};
class CliConvert : public CliFolderTest {};
class CliRepair : public CliFolderTest {};
class CliSafeWrite : public CliFolderTest {};
class CliCut : public CliFolderTest {};

static std::vector<unsigned char> Demo(int width = 1920, int height = 1080,
                                       std::vector<StructuredChat> chat = {}, bool finished = true)
{
    StructuredDemoSpec spec;
    spec.viewportWidth = width;
    spec.viewportHeight = height;
    spec.players = {{0, 11, "alice"}, {1, 12, "bob"}};
    spec.chat = chat;
    spec.finished = finished;
    return BuildStructuredDemo(spec);
}

// Every kind of chat line: Steam keys, the older text form, a late message.
static std::vector<StructuredChat> MixedChat()
{
    return {Chat("#Cstrike_Chat_All", "hello all\n"), Chat("#Cstrike_Chat_T", "go B\n", false, 2),
            Chat("", "(Terrorist) bob : rush\n", false, 2), Chat("#Cstrike_Chat_CT_Dead", "dead talk\n"),
            Chat("#Cstrike_Chat_AllDead", "gg\n", true, 2)};
}

static size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        count++;
    return count;
}

TEST_F(CliInfo, FolderInNameOrderWithStateViewportAndInspection)
{
    Put("b.DEM", Demo(1280, 720));
    Put("a.dem", Demo(1440, 900, {}, false));
    Put("notes.txt", {'x'});
    fs::create_directory(Path("sub"));
    WriteBytes(Path("sub/c.dem"), Demo());

    CliRun run = Cli({"info", "."});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("", run.err);
    size_t a = run.out.find("./a.dem\n"), b = run.out.find("./b.DEM\n");
    ASSERT_NE(std::string::npos, a) << run.out;
    ASSERT_NE(std::string::npos, b);
    EXPECT_LT(a, b);
    EXPECT_EQ(std::string::npos, run.out.find("notes.txt"));
    EXPECT_EQ(std::string::npos, run.out.find("c.dem"));   // not without -r
    EXPECT_NE(std::string::npos, run.out.find("  state           unfinished\n"));
    EXPECT_NE(std::string::npos, run.out.find("  state           complete\n"));
    EXPECT_NE(std::string::npos, run.out.find("  viewport        1280x720\n"));
    EXPECT_NE(std::string::npos, run.out.find("  map             de_dust2"));
    EXPECT_NE(std::string::npos, run.out.find("  game dir        cstrike\n"));
    EXPECT_NE(std::string::npos, run.out.find("  players         none\n"));  // the inspector finds none here

    run = Cli({"info", "-r", "."});
    EXPECT_NE(std::string::npos, run.out.find("./sub/c.dem\n"));
}

TEST_F(CliInfo, JsonLinesWithTheAgreedNames)
{
    std::vector<unsigned char> demo = Demo(1280, 720, MixedChat());
    Put("a.dem", demo);
    CliRun run = Cli({"info", "--json", "a.dem", "missing.dem"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("", run.err);  // the error is a JSON line too
    ASSERT_EQ(2u, Count(run.out, "\n"));
    std::string first = run.out.substr(0, run.out.find('\n'));
    std::string second = run.out.substr(first.size() + 1);

    DemoStructure structure = Structure(demo);
    EXPECT_EQ(0u, first.find("{\"path\":\"a.dem\",\"size\":" + std::to_string(demo.size()) +
                             ",\"header\":{\"magic\":\"HLDEMO\",\"demoProtocol\":5,\"networkProtocol\":48,"
                             "\"map\":\"de_dust2\",\"gameDir\":\"cstrike\",\"mapCrc\":"))
        << first;
    for (const char* part : {"\"directoryOffset\":", "\"inspection\":{\"gameVersion\":", "\"demoVersion\":\"5\"",
                             "\"networkVersion\":\"48\"", "\"demoWidth\":", "\"demoHeight\":", "\"hltv\":false",
                             "\"players\":[]", "\"structure\":{\"state\":\"complete\",\"problem\":null",
                             "\"viewport\":{\"width\":1280,\"height\":720}", "\"sayTextId\":76",
                             "\"segments\":[{\"type\":0,\"description\":\"LOADING\",\"offset\":544",
                             "\"description\":\"Playback\"", "\"end\":\"next-section\"", "\"trackTime\":",
                             "\"frameCount\":", "\"frames\":{", "\"lastTime\":"})
        EXPECT_NE(std::string::npos, first.find(part)) << part;
    EXPECT_NE(std::string::npos,
              first.find("\"chat\":" + std::to_string(structure.chat.size()) + ",\"segments\""));
    EXPECT_EQ("{\"path\":\"missing.dem\",\"error\":\"No such file or directory\"}\n", second);
}

TEST_F(CliInfo, DemoBytesBecomeValidUtf8)
{
    StructuredDemoSpec spec;
    spec.mapName = "de_\xe9t\xc3\xa9";   // a Latin-1 byte, then UTF-8
    spec.players = {{0, 1, "\x1b[31mred"}};
    Put("a.dem", BuildStructuredDemo(spec));
    CliRun run = Cli({"info", "--json", "a.dem"});
    EXPECT_NE(std::string::npos, run.out.find("\"map\":\"de_\xc3\xa9t\xc3\xa9\"")) << run.out;
    run = Cli({"info", "a.dem"});
    EXPECT_NE(std::string::npos, run.out.find("de_\xc3\xa9t\xc3\xa9"));
    EXPECT_EQ(std::string::npos, run.out.find('\x1b'));   // no escape reaches the terminal
}

TEST_F(CliInfo, SymbolicLinkLoopIsReadOnce)
{
    fs::create_directories(Path("d/e"));
    WriteBytes(Path("d/e/x.dem"), Demo());
    fs::create_directory_symlink("..", Path("d/e/up"));
    CliRun run = Cli({"info", "--json", "-r", "d"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(1u, Count(run.out, "\n")) << run.out;
}

TEST_F(CliChat, LinesInOrderWithKindSenderNameAndText)
{
    Put("a.dem", Demo(1920, 1080, MixedChat()));
    CliRun run = Cli({"chat", "a.dem"});
    EXPECT_EQ(0, run.status) << run.err;
    static const char* const lines[] = {
        "all           1  alice: hello all\n", "team          2  bob: go B\n",
        "team          2  bob: (Terrorist) bob : rush\n", "team-dead     1  alice: dead talk\n",
        "dead          2  bob: gg\n"};
    size_t last = 0;
    for (const char* line : lines) {
        size_t at = run.out.find(line);
        ASSERT_NE(std::string::npos, at) << line << "\n" << run.out;
        EXPECT_LT(last, at) << line;
        last = at;
    }
    EXPECT_EQ(0u, run.out.find("a.dem\n    0:0"));

    run = Cli({"chat", "--json", "a.dem"});
    EXPECT_EQ(0u, run.out.find("{\"path\":\"a.dem\",\"chat\":[{\"time\":")) << run.out;
    EXPECT_NE(std::string::npos,
              run.out.find(",\"kind\":\"team\",\"sender\":2,\"name\":\"bob\",\"text\":\"go B\"}"));
}

TEST(CliUsage, UsageErrorsExitTwoWithTheUsage)
{
    static const std::vector<std::string> lines[] = {
        {}, {"info"}, {"frobnicate", "a.dem"}, {"info", "--nope", "a.dem"}, {"repair", "--backup", "a.dem"}};
    for (const auto& args : lines) {
        CliRun run = RunCli(args, "/");
        EXPECT_EQ(2, run.status);
        EXPECT_EQ("", run.out);
        EXPECT_EQ(0u, run.err.find("flickbox-cli: ")) << run.err;
        EXPECT_NE(std::string::npos, run.err.find("usage: flickbox-cli info"));
    }
    CliRun run = RunCli({"convert", "--to", "1920x1080", "a.dem"}, "/");
    EXPECT_EQ(2, run.status);
    EXPECT_EQ("flickbox-cli: Wrong resolution. Available resolutions are:\n1280x960\n1152x864\n1024x768\n"
              "800x600\n640x480\n512x384\n480x360\n400x300\n",
              run.err);
    run = RunCli({"--help"}, "/");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(0u, run.out.find("usage: flickbox-cli"));
    run = RunCli({"--version"}, "/");
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(0u, run.out.find("flickbox-cli 1."));
}

TEST_F(CliBadInputs, EachFileOneLineAndTheBatchGoesOn)
{
    Put("empty.dem", {});
    fs::create_directory(Path("folder.dem"));
    Put("good.dem", Demo());
    // 4 GiB of holes: nothing is written or read.
    {
        std::vector<unsigned char> none;
        Put("huge.dem", none);
        fs::resize_file(Path("huge.dem"), 4ull << 30);
    }
    CliRun run = Cli({"info", "empty.dem", "folder.dem", "huge.dem", "missing.dem", "good.dem"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("flickbox-cli: empty.dem: Empty file\n"
              "flickbox-cli: huge.dem: File of 4 GiB or more\n"
              "flickbox-cli: missing.dem: No such file or directory\n",
              run.err);
    EXPECT_EQ(0u, run.out.find("good.dem\n")) << run.out;

    run = Cli({"info", "."});  // a folder named .dem among the demos
    EXPECT_NE(std::string::npos, run.err.find("flickbox-cli: ./folder.dem: Is a directory\n")) << run.err;
}

// The dialog's stripper, then the Steam form: the bytes the tool must write.
static std::vector<unsigned char> Stripped(std::vector<unsigned char> bytes, unsigned* older, unsigned* steam)
{
    *older = BlankTeamMessages(bytes.data(), bytes.size());
    DemoStructure structure = Structure(bytes);
    *steam = NopSteamTeamChat(bytes.data(), bytes.size(), structure);
    return bytes;
}

TEST_F(CliStrip, BothFormsStrippedAsTheFunctionsDoAndAllChatKept)
{
    std::vector<unsigned char> demo = Demo(1920, 1080, MixedChat());
    Put("a.dem", demo);
    unsigned older, steam;
    std::vector<unsigned char> expected = Stripped(demo, &older, &steam);
    EXPECT_EQ(1u, older);
    EXPECT_EQ(2u, steam);

    CliRun run = Cli({"strip-team-chat", "--dry-run", "a.dem"});
    EXPECT_EQ("a.dem: 3 team messages would be stripped (older form 1, Steam form 2)\n", run.out);
    EXPECT_EQ(demo, ReadBytes(Path("a.dem")));

    run = Cli({"strip-team-chat", "a.dem"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("a.dem: 3 team messages stripped (older form 1, Steam form 2)\n", run.out);
    EXPECT_EQ(expected, ReadBytes(Path("a.dem")));
    EXPECT_EQ((std::vector<std::string>{"a.dem"}), FolderNames(folder));

    run = Cli({"chat", "a.dem"});
    EXPECT_EQ(std::string::npos, run.out.find("  team")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("alice: hello all\n"));
    EXPECT_NE(std::string::npos, run.out.find("bob: gg\n"));
    run = Cli({"info", "a.dem"});
    EXPECT_NE(std::string::npos, run.out.find("  state           complete\n"));

    // Nothing left to change: not rewritten, time stamps kept. One file
    // named three ways is worked on once.
    struct stat before, after;
    ASSERT_EQ(0, stat(Path("a.dem").c_str(), &before));
    sleep(1);
    run = Cli({"strip-team-chat", "a.dem", "./a.dem", "."});
    EXPECT_EQ("a.dem: 0 team messages stripped (older form 0, Steam form 0)\n", run.out);
    ASSERT_EQ(0, stat(Path("a.dem").c_str(), &after));
    EXPECT_EQ(before.st_mtime, after.st_mtime);
    EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST_F(CliStrip, BackupFirstAndRefusedWhenOneExists)
{
    std::vector<unsigned char> demo = Demo(1920, 1080, MixedChat());
    Put("a.dem", demo);
    Put("b.dem", demo);
    Put("b.dem.bak", {'o', 'l', 'd'});
    CliRun run = Cli({"strip-team-chat", "--backup", "a.dem", "b.dem"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(demo, ReadBytes(Path("a.dem.bak")));
    EXPECT_NE(demo, ReadBytes(Path("a.dem")));
    EXPECT_EQ(demo, ReadBytes(Path("b.dem")));
    EXPECT_EQ((std::vector<unsigned char>{'o', 'l', 'd'}), ReadBytes(Path("b.dem.bak")));
    EXPECT_EQ("flickbox-cli: b.dem: The backup b.dem.bak already exists; the demo was not changed\n", run.err);
    EXPECT_EQ("a.dem: 3 team messages stripped (older form 1, Steam form 2)\n", run.out);
}

TEST_F(CliStrip, ReadOnlyFileRefusedUnchanged)
{
    std::vector<unsigned char> demo = Demo(1920, 1080, MixedChat());
    Put("a.dem", demo);
    chmod(Path("a.dem").c_str(), 0444);
    CliRun run = Cli({"strip-team-chat", "a.dem"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("flickbox-cli: a.dem: Read-only file\n", run.err);
    EXPECT_EQ(demo, ReadBytes(Path("a.dem")));
}

TEST_F(CliConvert, DetectedSizeRewrittenAsTheDialogDoes)
{
    SampleDemoSpec spec;
    spec.width = 800;
    spec.height = 600;
    std::vector<unsigned char> demo = BuildSampleDemo(spec);
    Put("a.dem", demo);
    std::vector<unsigned char> expected = demo;
    RewriteResolutionRecords(expected.data(), expected.size(), 800, 600, 1024, 768);
    ASSERT_NE(expected, demo);

    CliRun run = Cli({"convert", "--to", "1024x768", "a.dem"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("a.dem: 1 resolution records rewritten (800x600 to 1024x768)\n", run.out);
    EXPECT_EQ(expected, ReadBytes(Path("a.dem")));

    // An explicit --from may be any size; the sample has no 1920x1080 record.
    run = Cli({"convert", "--from", "1920x1080", "--to", "800x600", "a.dem"});
    EXPECT_EQ("a.dem: 0 resolution records rewritten (1920x1080 to 800x600)\n", run.out);
    EXPECT_EQ(expected, ReadBytes(Path("a.dem")));
}

TEST_F(CliConvert, UndetectedSizeRefusedAsTheDialogRefuses)
{
    std::vector<unsigned char> demo = Demo();
    Put("a.dem", demo);
    CliRun run = Cli({"convert", "--to", "800x600", "a.dem"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("flickbox-cli: a.dem: The demo's current resolution is unknown, so it cannot be converted.\n",
              run.err);
    EXPECT_EQ(demo, ReadBytes(Path("a.dem")));
}

TEST_F(CliRepair, UnfinishedBecomesCompleteBesideIt)
{
    std::vector<unsigned char> unfinished = Demo(1920, 1080, MixedChat(), false);
    unfinished.resize(unfinished.size() - 7);  // cut inside the last frame
    Put("cut.dem", unfinished);
    Put("done.dem", Demo());
    std::vector<unsigned char> damaged = Demo();
    damaged[544] = 0x77;  // the first frame's type
    Put("bad.dem", damaged);

    CliRun run = Cli({"repair", "."});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(0u, run.err.find("flickbox-cli: ./bad.dem: Damaged, not changed: ")) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("./cut.dem: repaired as ./cut.repaired.dem (")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("./done.dem: already complete\n"));
    EXPECT_EQ(damaged, ReadBytes(Path("bad.dem")));
    EXPECT_EQ(unfinished, ReadBytes(Path("cut.dem")));

    DemoStructure structure = Structure(unfinished);
    std::vector<unsigned char> expected;
    ASSERT_TRUE(BuildRepairedDemo(unfinished.data(), unfinished.size(), structure, &expected));
    EXPECT_EQ(expected, ReadBytes(Path("cut.repaired.dem")));
    run = Cli({"info", "--json", "cut.repaired.dem"});
    EXPECT_NE(std::string::npos, run.out.find("\"state\":\"complete\""));

    // A second run does not overwrite the repaired file.
    run = Cli({"repair", "cut.dem"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("flickbox-cli: cut.dem: cut.repaired.dem already exists; nothing was written\n", run.err);
}

TEST_F(CliRepair, InPlaceWithBackup)
{
    std::vector<unsigned char> unfinished = Demo(1920, 1080, {}, false);
    Put("cut.dem", unfinished);
    CliRun run = Cli({"repair", "--in-place", "--backup", "cut.dem"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(0u, run.out.find("cut.dem: repaired in place (")) << run.out;
    EXPECT_EQ(unfinished, ReadBytes(Path("cut.dem.bak")));
    run = Cli({"info", "cut.dem"});
    EXPECT_NE(std::string::npos, run.out.find("  state           complete\n"));
}

// Three seconds of a game, a frame each hundredth, rounds ending at 0:00.5
// and 0:01.5.
static std::vector<unsigned char> RoundsDemo()
{
    StructuredDemoSpec spec;
    spec.playbackGroups = 300;
    spec.players = {{0, 11, "alice"}, {1, 12, "bob"}};
    spec.players[0].team = "CT";
    spec.players[1].team = "TERRORIST";
    spec.rounds = {{49, "#Terrorists_Win", ROUND_T}, {149, "#CTs_Win", ROUND_CT}};
    spec.kills = {{120, 1, 2, true, "deagle"}};
    return BuildStructuredDemo(spec);
}

TEST_F(CliCut, KeepsTheSpanBesideTheDemo)
{
    std::vector<unsigned char> demo = RoundsDemo();
    Put("game.dem", demo);
    CliRun run = Cli({"cut", "--from", "1.0", "--to", "0:02.5", "game.dem"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("game.dem: kept 0:01.0 to 0:02.5 (151 frames) -> game.cut.dem\n", run.out);
    EXPECT_EQ(demo, ReadBytes(Path("game.dem")));
    run = Cli({"events", "game.cut.dem"});
    EXPECT_NE(std::string::npos, run.out.find("0:00.2  kill")) << run.out;   // 1.2 s, shifted by 1.0 s
    EXPECT_NE(std::string::npos, run.out.find("0:00.5  round-end")) << run.out;

    run = Cli({"cut", "--from-round", "2", "--to-round", "2", "-o", "second.dem", "game.dem"});
    EXPECT_EQ("game.dem: kept 0:00.5 to 0:03.0 (250 frames) -> second.dem\n", run.out) << run.err;
    run = Cli({"cut", "--to-round", "1", "game.dem", "-o", "first.dem"});
    EXPECT_EQ("game.dem: kept 0:00.0 to 0:03.0 (300 frames) -> first.dem\n", run.out) << run.err;
    run = Cli({"info", "--json", "second.dem", "first.dem"});
    EXPECT_EQ(2u, Count(run.out, "\"state\":\"complete\""));

    // An output that exists is never overwritten.
    run = Cli({"cut", "--from", "2", "game.dem"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("flickbox-cli: game.dem: game.cut.dem already exists; nothing was written\n", run.err);
}

// Each bad input is one line, and the demos after it are still cut.
TEST_F(CliCut, BadInputsOneLineEach)
{
    Put("b.dem", RoundsDemo());
    std::vector<unsigned char> damaged = RoundsDemo();
    damaged[544] = 0x77;
    Put("a-damaged.dem", damaged);
    StructuredDemoSpec filler;
    filler.entityBytes = 40;
    Put("a-filler.dem", BuildStructuredDemo(filler));
    static const struct {
        std::vector<std::string> args;
        const char* line;            // about b.dem
    } rows[] = {
        {{"--from", "9:00"},
         "the span starts at 9:00.0, after the demo's last net-message frame (the demo ends at 0:03.0)"},
        {{"--from", "2", "--to", "1"}, "the span starts at 0:02.0, after its end at 0:01.0"},
        {{"--from-round", "3"}, "round 3 does not exist: the demo has 2 round ends"},
        {{"--from-round", "2", "--to-round", "1"}, "the span starts at round 2, after its end at round 1"},
        {{"--from", "1.001", "--to", "1.009"},
         "the span 0:01.0 to 0:01.0 holds no net-message frame (the next one is at 0:01.0)"},
    };
    CliRun run = Cli({"cut", "--from", "1", "-o", "x.dem", "."});
    EXPECT_EQ(3u, Count(run.err, "-o names the output of a single demo")) << run.err;
    for (const auto& row : rows) {
        std::vector<std::string> args = {"cut"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.push_back(".");
        CliRun run = Cli(args);
        EXPECT_EQ(1, run.status);
        EXPECT_EQ(0u, run.err.find("flickbox-cli: ./a-damaged.dem: Damaged, not cut: ")) << run.err;
        EXPECT_NE(std::string::npos,
                  run.err.find("\nflickbox-cli: ./a-filler.dem: cannot cut a demo that is not fully decoded\n"));
        EXPECT_NE(std::string::npos, run.err.find(std::string("\nflickbox-cli: ./b.dem: ") + row.line + "\n"))
            << run.err;
        EXPECT_EQ(3u, Count(run.err, "\n"));
    }
    EXPECT_EQ((std::vector<std::string>{"a-damaged.dem", "a-filler.dem", "b.dem"}), FolderNames(folder));
}

// Each step of the safe write failing: the original stays byte for byte and
// no temporary file is left.
TEST_F(CliSafeWrite, InjectedFailuresLeaveTheOriginal)
{
    static const struct {
        const char* fault;
        const char* reason;
    } rows[] = {
        {"create:EACCES", "Cannot create a temporary file beside it: Permission denied"},
        {"write:ENOSPC", "Cannot write the temporary file: No space left on device"},
        {"flush:EIO", "Cannot flush the temporary file to disk: Input/output error"},
        {"rename:EXDEV", "Cannot put the new file in place: Invalid cross-device link"},
    };
    std::vector<unsigned char> demo = Demo(1920, 1080, MixedChat(), false);
    static const std::vector<std::string> lines[] = {
        {"strip-team-chat", "a.dem"}, {"strip-team-chat", "--backup", "a.dem"},
        {"repair", "--in-place", "a.dem"}, {"repair", "--in-place", "--backup", "a.dem"},
        {"repair", "a.dem"}};  // a new file, NAME.repaired.dem
    for (const auto& row : rows) {
        for (const auto& args : lines) {
            Put("a.dem", demo);
            CliRun run = RunCliWithFault(row.fault, args, folder);
            std::string line = row.fault + (" " + args[0] + " " + args[1]);
            EXPECT_EQ(1, run.status) << line;
            EXPECT_EQ("", run.out) << line;
            EXPECT_EQ(0u, run.err.find("flickbox-cli: a.dem: ")) << line << ": " << run.err;
            EXPECT_NE(std::string::npos, run.err.find(row.reason)) << line << ": " << run.err;
            EXPECT_EQ(1u, Count(run.err, "\n")) << run.err;
            EXPECT_EQ(demo, ReadBytes(Path("a.dem"))) << line;
            EXPECT_EQ((std::vector<std::string>{"a.dem"}), FolderNames(folder)) << line;
        }
    }
}

// A link is changed where it leads and stays a link; a file with other names
// is refused whole. Each file once, however many of its names are given.
TEST_F(CliSafeWrite, LinkChangedWhereItLeadsHardLinkRefused)
{
    std::vector<unsigned char> demo = Demo(1920, 1080, MixedChat());
    unsigned older, steam;
    std::vector<unsigned char> stripped = Stripped(demo, &older, &steam);
    fs::create_directory(Path("real"));
    WriteBytes(Path("real/a.dem"), demo);
    fs::create_symlink("real/a.dem", Path("link.dem"));
    Put("b.dem", demo);
    fs::create_hard_link(Path("b.dem"), Path("other.dem"));
    CliRun run = Cli({"strip-team-chat", "--backup", "link.dem", "b.dem", "other.dem", "real/a.dem"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("link.dem: 3 team messages stripped (older form 1, Steam form 2)\n", run.out);
    EXPECT_EQ("flickbox-cli: b.dem: The file has other names (hard links); it was not changed\n", run.err);
    EXPECT_TRUE(fs::is_symlink(Path("link.dem")));
    EXPECT_EQ(stripped, ReadBytes(Path("real/a.dem")));
    EXPECT_EQ(demo, ReadBytes(Path("link.dem.bak")));
    EXPECT_EQ(demo, ReadBytes(Path("b.dem")));
    EXPECT_EQ((std::vector<std::string>{"a.dem"}), FolderNames(Path("real")));
    EXPECT_EQ((std::vector<std::string>{"b.dem", "link.dem", "link.dem.bak", "other.dem", "real"}),
              FolderNames(folder));
}

// An interrupt while b.dem's change is written, at each step: b.dem is as it
// was, with no temporary file or backup left, and a.dem, finished, stays so.
TEST_F(CliSafeWrite, InterruptLeavesTheFileInHandAsItWas)
{
    static const struct {
        const char* pause;
        int signalNumber;
    } rows[] = {{"create:b.dem", SIGINT}, {"write:b.dem", SIGTERM}, {"flush:b.dem", SIGHUP},
                {"rename:b.dem", SIGINT}, {"write:b.dem.bak", SIGTERM}};
    std::vector<unsigned char> demo = Demo(1920, 1080, MixedChat());
    unsigned older, steam;
    std::vector<unsigned char> stripped = Stripped(demo, &older, &steam);
    std::string ready = folder + ".ready";
    for (const auto& row : rows) {
        for (const std::string& name : FolderNames(folder))
            fs::remove(Path(name));
        fs::remove(ready);
        Put("a.dem", demo);
        Put("b.dem", demo);
        int child = StartProgram(FLICKBOX_CLI_FAULTS_PATH, {"strip-team-chat", "--backup", "a.dem", "b.dem"}, folder,
                                 {std::string("FLICKBOX_CLI_PAUSE=") + row.pause + ":" + ready});
        bool paused = WaitUntil([&] { return fs::exists(ready) && ReadBytes(Path("a.dem")) == stripped; });
        kill(child, paused ? row.signalNumber : SIGKILL);
        CliRun run = FinishProgram(child);
        ASSERT_TRUE(paused) << row.pause;
        EXPECT_EQ(130, run.status) << row.pause;
        EXPECT_EQ("flickbox-cli: interrupted\n", run.err) << row.pause;
        EXPECT_EQ("a.dem: 3 team messages stripped (older form 1, Steam form 2)\n", run.out) << row.pause;
        EXPECT_EQ(demo, ReadBytes(Path("b.dem"))) << row.pause;
        EXPECT_EQ(demo, ReadBytes(Path("a.dem.bak"))) << row.pause;
        EXPECT_EQ((std::vector<std::string>{"a.dem", "a.dem.bak", "b.dem"}), FolderNames(folder)) << row.pause;
    }
    fs::remove(ready);
}

class CliRealDemos : public CliFolderTest {};

// Copies of the real recordings: info reads every one as complete (but a
// fixture), and the
// change commands write exactly the bytes the dialog's functions give.
TEST_F(CliRealDemos, CompleteAndChangedAsTheDialogFunctionsChangeThem)
{
    REQUIRE_DEMO_CORPUS();
    std::vector<std::string> names = DemoCorpusNames();
    for (const std::string& name : names)
        Put(name, ReadBytes(DemoCorpusPath(name.c_str())));

    CliRun run = Cli({"info", "--json", "."});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(names.size(), Count(run.out, "\n"));
    // The one recording without a directory is a hand-cut parser fixture.
    for (size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = run.out.substr(start, end - start);
        if (line.find("\"state\":\"complete\"") == std::string::npos) {
            EXPECT_NE(std::string::npos, line.find("frame-types.dem")) << line;
            EXPECT_NE(std::string::npos, line.find("\"state\":\"unfinished\"")) << line;
        }
    }

    run = Cli({"strip-team-chat", "."});
    EXPECT_EQ(0, run.status) << run.err;
    run = Cli({"convert", "--to", "640x480", "."});
    for (const std::string& name : names) {
        std::vector<unsigned char> expected = ReadBytes(DemoCorpusPath(name.c_str()));
        unsigned older, steam;
        expected = Stripped(expected, &older, &steam);
        DemoInspection inspection;
        AnalyseDemo(expected.data(), expected.size(), "*", "*", ".", &inspection);
        unsigned width = (unsigned)atoi(inspection.demoWidth), height = (unsigned)atoi(inspection.demoHeight);
        if (width && height)
            RewriteResolutionRecords(expected.data(), expected.size(), width, height, 640, 480);
        else
            EXPECT_NE(std::string::npos, run.err.find("./" + name + ": The demo's current resolution is unknown"));
        EXPECT_EQ(expected, ReadBytes(Path(name))) << name;
    }
}
