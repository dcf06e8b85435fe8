// flickbox-cli report end to end: pages and an index, a row with the reason
// for a file that is no demo, other files of a page's name left alone, its
// own reports replaced; under Wine, demos dropped on the program.
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/cli/support/cli_run.h"
#include "tools/structured_demo.h"

class ReportFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = MakeScratchFolder();
        ASSERT_FALSE(folder.empty());
        StructuredDemoSpec spec;
        spec.players = {{0, 11, "<b>bold</b>"}};
        WriteBytes(folder + "/a.dem", BuildStructuredDemo(spec));
        WriteBytes(folder + "/b b.dem", BuildStructuredDemo(spec));
        WriteBytes(folder + "/c.dem", std::vector<unsigned char>(600, 'x'));
    }
    void TearDown() override { RemoveScratchFolder(folder); }

    std::string Text(const std::string& name)
    {
        std::vector<unsigned char> bytes = ReadBytes(folder + "/" + name);
        return std::string(bytes.begin(), bytes.end());
    }

    std::string folder;
};

class CliReport : public ReportFolder {};
class WineReportDrop : public ReportFolder {};

TEST_F(CliReport, PagesIndexAndOnlyItsOwnFilesReplaced)
{
    CliRun run = RunCli({"report", "-o", "out", "."}, folder);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("flickbox-cli: ./c.dem: Not a demo: the file does not start with HLDEMO\n", run.err);
    EXPECT_EQ((std::vector<std::string>{"a.html", "b b.html", "index.html"}), FolderNames(folder + "/out"));
    std::string index = Text("out/index.html");
    EXPECT_NE(std::string::npos, index.find("<a href=\"b%20b.html\""));
    EXPECT_NE(std::string::npos, index.find("<td class=\"bad\">no page: Not a demo"));

    WriteBytes(folder + "/out/a.html", {'m', 'i', 'n', 'e'});
    std::string before = Text("out/b b.html");
    run = RunCli({"report", "-o", "out", "./a.dem", "./b b.dem"}, folder);
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("out/a.html exists and is not a report of flickbox-cli")) << run.err;
    EXPECT_EQ("mine", Text("out/a.html"));
    EXPECT_EQ(before, Text("out/b b.html"));  // replaced by the same page
    EXPECT_EQ((std::vector<std::string>{"a.html", "b b.html", "index.html"}), FolderNames(folder + "/out"));

    run = RunCli({"report", "b b.dem"}, folder);  // one demo: a page beside it, no index
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("b b.dem: report written to b b.html\n", run.out);
    EXPECT_EQ(std::string::npos, Text("b b.html").find("<b>bold"));
}

// Explorer hands dropped files over as full paths.
static std::string WindowsPath(const std::string& folder, const char* name)
{
    std::string path = "Z:" + folder + "/" + name;
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

TEST_F(WineReportDrop, ReportsBesideTheDemosAndTheIndexOpens)
{
    std::string program = std::string(FLICKBOX_WIN_BIN) + "/flickbox-cli-open-said.exe";
    CliRun run = RunProgram(FLICKBOX_WINE_RUN, {program, WindowsPath(folder, "a.dem")}, folder);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("would open " + WindowsPath(folder, "a.html") + "\n",
              run.out.substr(run.out.find('\n') + 1)) << run.out;

    run = RunProgram(FLICKBOX_WINE_RUN, {program, WindowsPath(folder, "a.dem"), WindowsPath(folder, "b b.dem")},
                     folder);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("would open " + WindowsPath(folder, "index.html") + "\n")) << run.out;
    EXPECT_NE(std::string::npos, Text("index.html").find("<a href=\"b%20b.html\""));

    run = RunProgram(FLICKBOX_WINE_RUN, {program, WindowsPath(folder, "c.dem"), WindowsPath(folder, "a.dem")},
                     folder);
    EXPECT_EQ(1, run.status);  // the console then waits for Enter
    EXPECT_NE(std::string::npos, run.err.find("c.dem: Not a demo")) << run.err;
}
