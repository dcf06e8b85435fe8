// Single checks on flickbox-cli's own output: the lists of info's segment
// lines, and --backup when there is nothing to change.
#include <algorithm>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/cli/support/cli_run.h"
#include "tools/structured_demo.h"

struct CliOutputRows : testing::Test {
    std::string folder = MakeScratchFolder();
    ~CliOutputRows() { RemoveScratchFolder(folder); }
};

// LOADING holds two signon frames and its closing frame: two frame types, so
// each list shows its separator once.
TEST_F(CliOutputRows, SegmentFramesListedByType)
{
    StructuredDemoSpec spec;
    spec.loadingFrames = 2;
    StructuredDemoLayout layout;
    WriteBytes(folder + "/a.dem", BuildStructuredDemo(spec, &layout));
    CliRun text = RunCli({"info", "a.dem"}, folder);
    EXPECT_NE(std::string::npos, text.out.find(" frames walked (type 0: 2, type 5: 1), ends next-section at "))
        << text.out;
    CliRun json = RunCli({"info", "--json", "a.dem"}, folder);
    std::string loading = "{\"type\":0,\"description\":\"LOADING\",\"offset\":544,\"length\":" +
                          std::to_string(layout.playbackOffset - 544) +
                          ",\"trackTime\":0,\"frameCount\":0,\"frames\":{\"0\":2,\"5\":1},\"end\":\"next-section\"";
    EXPECT_NE(std::string::npos, json.out.find(loading)) << json.out;
    std::string playback = ",\"length\":" + std::to_string(layout.directoryOffset - layout.playbackOffset) +
                           ",\"trackTime\":0.08,\"frameCount\":8,\"frames\":{\"1\":8,";
    EXPECT_NE(std::string::npos, json.out.find(playback)) << json.out;
}

static StructuredDemoSpec TwoChatLines()
{
    StructuredDemoSpec spec;
    spec.players = {{0, 11, "alice"}, {1, 12, "bob"}};
    StructuredChat first, second;
    first.key = "#Cstrike_Chat_All";
    first.text = "hello all\n";
    second.key = "#Cstrike_Chat_T";
    second.text = "go B\n";
    second.sender = 2;
    spec.chat = {first, second};
    return spec;
}

// One object per line of chat, separated by commas.
TEST_F(CliOutputRows, ChatJsonEntriesSeparated)
{
    WriteBytes(folder + "/a.dem", BuildStructuredDemo(TwoChatLines()));
    CliRun run = RunCli({"chat", "--json", "a.dem"}, folder);
    EXPECT_NE(std::string::npos, run.out.find("\"text\":\"hello all\"},{\"time\":")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("\"text\":\"go B\"}]}\n")) << run.out;
}

// A protocol the decoder does not read: the chat the structure's search found.
TEST_F(CliOutputRows, ChatOfADemoTheDecoderDoesNotRead)
{
    StructuredDemoSpec spec = TwoChatLines();
    spec.networkProtocol = 46;
    WriteBytes(folder + "/a.dem", BuildStructuredDemo(spec));
    EXPECT_EQ("a.dem\n"
              "    0:00.0  all           1  alice: hello all\n"
              "    0:00.0  team          2  bob: go B\n",
              RunCli({"chat", "a.dem"}, folder).out);
    EXPECT_EQ("{\"path\":\"a.dem\",\"chat\":[{\"time\":0.01,\"kind\":\"all\",\"sender\":1,\"name\":\"alice\",\"text\":"
              "\"hello all\"},{\"time\":0.02,\"kind\":\"team\",\"sender\":2,\"name\":\"bob\",\"text\":\"go B\"}]}\n",
              RunCli({"chat", "--json", "a.dem"}, folder).out);
}

// Records are counted once each, where they cross a 4096-byte block's edge,
// start one or end one.
TEST_F(CliOutputRows, RecordsAtBlockEdgesCountedOnce)
{
    std::vector<unsigned char> demo(16384, 0xFF);
    const unsigned char record[14] = {0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x03, 0, 0, 0x58, 0x02};  // 800x600
    for (size_t at : {4090, 8192, 12288 - 14})
        std::copy(record, record + 14, demo.begin() + (long)at);
    WriteBytes(folder + "/a.dem", demo);
    CliRun run = RunCli({"convert", "--dry-run", "--from", "800x600", "--to", "1024x768", "a.dem"}, folder);
    EXPECT_EQ("a.dem: 3 resolution records would be rewritten (800x600 to 1024x768)\n", run.out) << run.err;
}

// Nothing to strip leaves the file alone, so a backup already beside it is no
// reason to refuse, in a dry run or not.
TEST_F(CliOutputRows, BackupWithNothingToChangeIsNoRefusal)
{
    std::vector<unsigned char> demo = BuildStructuredDemo(StructuredDemoSpec());
    const std::vector<unsigned char> old = {'o', 'l', 'd'};
    WriteBytes(folder + "/a.dem", demo);
    WriteBytes(folder + "/a.dem.bak", old);
    struct Row {
        std::vector<std::string> args;
        const char* out;
    } rows[] = {
        {{"strip-team-chat", "--backup", "a.dem"}, "a.dem: 0 team messages stripped (older form 0, Steam form 0)\n"},
        {{"strip-team-chat", "--dry-run", "--backup", "a.dem"},
         "a.dem: 0 team messages would be stripped (older form 0, Steam form 0)\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.out);
        CliRun run = RunCli(row.args, folder);
        EXPECT_EQ(0, run.status);
        EXPECT_EQ("", run.err);
        EXPECT_EQ(row.out, run.out);
        EXPECT_EQ(demo, ReadBytes(folder + "/a.dem"));
        EXPECT_EQ(old, ReadBytes(folder + "/a.dem.bak"));
        EXPECT_EQ((std::vector<std::string>{"a.dem", "a.dem.bak"}), FolderNames(folder));
    }
}
