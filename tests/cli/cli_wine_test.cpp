// flickbox-cli.exe under Wine: the same output as the native program for the
// same files (one with a non-ASCII name), a file another process holds open,
// a read-only file. Each run starts a fresh Wine prefix, so they are few.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/cli/support/cli_run.h"
#include "tools/structured_demo.h"

class WineCliFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeScratchFolder();
        ASSERT_FALSE(folder.empty());
        StructuredDemoSpec spec;
        spec.players = {{0, 11, "j\xc3\xb6rg"}, {1, 12, "bob"}};
        spec.chat = {{"#Cstrike_Chat_All", "gr\xc3\xbc\xc3\x9f" "e\n", 1, false},
                     {"#Cstrike_Chat_T", "go B\n", 2, false}};
        demo = BuildStructuredDemo(spec);
        WriteBytes(folder + "/" + name, demo);
        spec.finished = false;
        WriteBytes(folder + "/cut.dem", BuildStructuredDemo(spec));
    }
    void TearDown() override { RemoveScratchFolder(folder); }

    std::string folder;
    std::string name = "d\xc3\xa9mo \xe2\x82\xac.dem";  // "démo €.dem"
    std::vector<unsigned char> demo;
};

class WineCliOutput : public WineCliFolderTest {};
class WineCliLockedFiles : public WineCliFolderTest {};

TEST_F(WineCliOutput, InfoAndChatAsTheNativeProgramWritesThem)
{
    std::vector<std::string> args = {"info", "--json", name, "cut.dem", "missing.dem"};
    CliRun native = RunCli(args, folder);
    CliRun wine = RunCliUnderWine(args, folder);
    EXPECT_EQ(1, native.status);
    EXPECT_EQ(native.status, wine.status);
    EXPECT_EQ(native.out, wine.out);
    EXPECT_NE(std::string::npos, wine.out.find("\"path\":\"" + name + "\"")) << wine.out;

    args = {"chat", name};
    native = RunCli(args, folder);
    wine = RunCliUnderWine(args, folder);
    EXPECT_EQ(0, wine.status) << wine.err;
    EXPECT_EQ(native.out, wine.out);
    EXPECT_NE(std::string::npos, wine.out.find("j\xc3\xb6rg: gr\xc3\xbc\xc3\x9f" "e\n")) << wine.out;
}

TEST_F(WineCliLockedFiles, HeldOpenFileRefusedAndUnchanged)
{
    CliRun run = RunCliUnderWine({name, "strip-team-chat", name, "cut.dem"}, folder, true);
    EXPECT_EQ(1, run.status) << run.out << run.err;
    EXPECT_EQ("flickbox-cli: " + name + ": The file is in use by another program\n", run.err);
    EXPECT_EQ("cut.dem: 1 team messages stripped (older form 0, Steam form 1)\n", run.out);  // the batch went on
    EXPECT_EQ(demo, ReadBytes(folder + "/" + name));
}

TEST_F(WineCliLockedFiles, ReadOnlyFileRefusedAndUnchanged)
{
    chmod((folder + "/" + name).c_str(), 0444);
    CliRun run = RunCliUnderWine({"strip-team-chat", name}, folder);
    EXPECT_EQ(1, run.status) << run.out << run.err;
    EXPECT_EQ("flickbox-cli: " + name + ": Read-only file\n", run.err);
    EXPECT_EQ(demo, ReadBytes(folder + "/" + name));
}
