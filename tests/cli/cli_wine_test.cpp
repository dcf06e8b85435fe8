// flickbox-cli.exe under Wine: the same output as the native program for the
// same files (one with a non-ASCII name), a file another process holds open,
// a read-only file, the safe write failing or interrupted. Each run starts a
// fresh Wine prefix, so they are few.
#include <dirent.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
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
// The safe write is seen through repair --in-place of the unfinished demo,
// under the non-ASCII name.
class WineCliSafeWrite : public WineCliFolderTest {
protected:
    void SetUp() override
    {
        WineCliFolderTest::SetUp();
        cut = ReadBytes(folder + "/cut.dem");
        std::filesystem::rename(folder + "/cut.dem", folder + "/" + name);
    }

    std::vector<unsigned char> cut;
};

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

// Each step of the safe write failing: the demo stays byte for byte and no
// temporary file is left.
TEST_F(WineCliSafeWrite, InjectedFailuresLeaveTheOriginal)
{
    static const struct {
        const char* fault;
        const char* reason;
    } rows[] = {
        {"create:EACCES", "Cannot create a temporary file beside it: Permission denied\n"},
        {"write:ENOSPC", "Cannot write the temporary file: No space left on device\n"},
        {"flush:EIO", "Cannot flush the temporary file to disk: "},
        {"rename:EACCES", "Cannot put the new file in place: Permission denied\n"},
    };
    for (const auto& row : rows) {
        CliRun run = RunCliWithFaultUnderWine(row.fault, {"repair", "--in-place", name}, folder);
        EXPECT_EQ(1, run.status) << row.fault << run.err;
        EXPECT_EQ(0u, run.err.find("flickbox-cli: " + name + ": " + row.reason)) << run.err;
        EXPECT_EQ(cut, ReadBytes(folder + "/" + name)) << row.fault;
        EXPECT_EQ((std::vector<std::string>{name}), FolderNames(folder)) << row.fault;
    }
}

// A Unix link, which Wine shows as a plain file, is changed where it leads
// and kept; a file with other names is refused; each file once.
TEST_F(WineCliSafeWrite, LinkChangedWhereItLeadsHardLinkRefused)
{
    std::filesystem::create_directory(folder + "/real");
    std::filesystem::rename(folder + "/" + name, folder + "/real/a.dem");
    std::filesystem::create_symlink("real/a.dem", folder + "/link.dem");
    WriteBytes(folder + "/b.dem", cut);
    std::filesystem::create_hard_link(folder + "/b.dem", folder + "/other.dem");
    CliRun run = RunCliUnderWine({"repair", "--in-place", "link.dem", "real/a.dem", "b.dem"}, folder);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(0u, run.out.find("link.dem: repaired in place (")) << run.out;
    EXPECT_EQ(1u, std::count(run.out.begin(), run.out.end(), '\n')) << run.out;
    EXPECT_EQ("flickbox-cli: b.dem: The file has other names (hard links); it was not changed\n", run.err);
    EXPECT_TRUE(std::filesystem::is_symlink(folder + "/link.dem"));
    EXPECT_NE(cut, ReadBytes(folder + "/real/a.dem"));
    EXPECT_EQ((std::vector<std::string>{"a.dem"}), FolderNames(folder + "/real"));
}

// A /proc file's text, "" when its process is gone (a stream would throw
// when the process ends between the open and the read).
static std::string ProcText(const std::string& path)
{
    std::string text;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return text;
    char chunk[512];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    fclose(file);
    return text;
}

// The Unix process that Wine runs program in, below the process top; 0 when
// there is none. The shells that started it name the program too.
static int WineProcess(int top, const char* program)
{
    DIR* proc = opendir("/proc");
    int found = 0;
    while (dirent* entry = proc ? readdir(proc) : NULL) {
        int pid = atoi(entry->d_name);
        std::string place = "/proc/" + std::to_string(pid);
        std::error_code failed;
        if (pid <= 0 || ProcText(place + "/cmdline").find(program) == std::string::npos ||
            std::filesystem::read_symlink(place + "/exe", failed).string().find("/wine") == std::string::npos)
            continue;
        for (int up = pid; up > 1 && !found;) {
            std::string stat = ProcText("/proc/" + std::to_string(up) + "/stat");
            size_t close = stat.rfind(')');
            if (close == std::string::npos)
                break;
            found = (up = atoi(stat.c_str() + close + 4)) == top ? pid : 0;  // after ") S "
        }
    }
    if (proc)
        closedir(proc);
    return found;
}

// Ctrl-C, as Wine delivers SIGINT to a console program, while the demo's
// temporary file is written: the demo stays as it was, nothing is left.
TEST_F(WineCliSafeWrite, CtrlCLeavesTheFileAsItWas)
{
    std::string ready = folder + ".ready";
    std::string program = std::string(FLICKBOX_WIN_BIN) + "/flickbox-cli-faults.exe";
    int child = StartProgram(FLICKBOX_WINE_RUN, {program, "repair", "--in-place", name}, folder,
                             {"FLICKBOX_CLI_PAUSE=write:.dem:Z:" + ready});
    int wine = 0;
    WaitUntil([&] {
        wine = WineProcess(child, "flickbox-cli-faults.exe");
        return wine && std::filesystem::exists(ready);
    });
    if (wine)
        kill(wine, SIGINT);
    CliRun run = FinishProgram(child);
    std::filesystem::remove(ready);
    ASSERT_NE(0, wine);
    EXPECT_EQ(130, run.status) << run.err;
    EXPECT_EQ("flickbox-cli: interrupted\n", run.err);
    EXPECT_EQ(cut, ReadBytes(folder + "/" + name));
    EXPECT_EQ((std::vector<std::string>{name}), FolderNames(folder));
}
