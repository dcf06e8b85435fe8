// The console tool's one parse of its arguments.
#include <string.h>

#include <string>
#include <vector>

#include "cli/cli_args.h"
#include "cli/cli_paths.h"
#include "demo/resolution_records.h"
#include "gtest/gtest.h"

static ParseOutcome Parse(const std::string& line, CliOptions* options)
{
    std::vector<std::string> words = {"flickbox-cli"};
    size_t start = 0;
    while (start < line.size()) {
        size_t end = line.find(' ', start);
        if (end == std::string::npos)
            end = line.size();
        words.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    std::vector<const char*> argv;
    for (const std::string& word : words)
        argv.push_back(word.c_str());
    return ParseCliArguments((int)argv.size(), argv.data(), options);
}

TEST(CliArgs, OutcomeOfEachLine)
{
    static const struct {
        const char* line;
        ParseOutcome outcome;
    } rows[] = {
        {"", PARSE_USAGE_ERROR},
        {"--help", PARSE_HELP},
        {"info -h", PARSE_HELP},
        {"convert --to 1 --help", PARSE_HELP},
        {"--version", PARSE_VERSION},
        {"info", PARSE_USAGE_ERROR},                    // no path
        {"info a.dem", PARSE_RUN},
        {"list a.dem", PARSE_USAGE_ERROR},              // unknown command
        {"info --jsonx a.dem", PARSE_USAGE_ERROR},
        {"chat --dry-run a.dem", PARSE_USAGE_ERROR},    // not an option of chat
        {"strip-team-chat --json a.dem", PARSE_USAGE_ERROR},
        {"strip-team-chat --dry-run --backup -r a", PARSE_RUN},
        {"convert a.dem", PARSE_USAGE_ERROR},           // --to is required
        {"convert --to 800x600 a.dem", PARSE_RUN},
        {"convert --to=1280x960 a.dem", PARSE_RUN},
        {"convert --to 1280x300 a.dem", PARSE_RUN},     // the dialog checks each side alone
        {"convert --to 1920x1080 a.dem", PARSE_UNSUPPORTED_SIZE},
        {"convert --to 800 a.dem", PARSE_UNSUPPORTED_SIZE},
        {"convert --to", PARSE_USAGE_ERROR},
        {"convert --from 1920x1080 --to 800x600 a", PARSE_RUN},
        {"convert --from 0x600 --to 800x600 a", PARSE_USAGE_ERROR},
        {"convert --from 800x --to 800x600 a", PARSE_USAGE_ERROR},
        {"convert --from 70000x600 --to 800x600 a", PARSE_USAGE_ERROR},
        {"convert --from -800x600 --to 800x600 a", PARSE_USAGE_ERROR},
        {"repair a.dem", PARSE_RUN},
        {"repair --in-place --backup a.dem", PARSE_RUN},
        {"repair --backup a.dem", PARSE_USAGE_ERROR},   // a new file needs no backup
        {"repair --dry-run a.dem", PARSE_USAGE_ERROR},
        {"cut a.dem", PARSE_RUN},                      // no span: the whole Playback
        {"cut --from 1:05.5 --to=95 -o x.dem a.dem", PARSE_RUN},
        {"cut --from-round 2 --to-round 3 a b", PARSE_RUN},
        {"cut --from 5 --from-round 2 a", PARSE_USAGE_ERROR},  // one start only
        {"cut --to-round 0 a", PARSE_USAGE_ERROR},
        {"cut --to-round x a", PARSE_USAGE_ERROR},
        {"cut --from a.dem", PARSE_USAGE_ERROR},       // the path taken as the time
        {"cut -o x.dem a b", PARSE_USAGE_ERROR},       // -o names one output
        {"cut -o x.dem -o y.dem a", PARSE_USAGE_ERROR},
        {"cut --json a", PARSE_USAGE_ERROR},
        {"info --from 5 a", PARSE_USAGE_ERROR},
        {"repair -o x.dem a", PARSE_USAGE_ERROR},
        {"info -- -r", PARSE_RUN},
        {"info -", PARSE_RUN},                          // a plain "-" is a path
    };
    for (const auto& row : rows) {
        CliOptions options;
        EXPECT_EQ(row.outcome, Parse(row.line, &options)) << row.line;
        if (row.outcome == PARSE_USAGE_ERROR) {
            EXPECT_FALSE(options.problem.empty()) << row.line;
        }
    }
}

TEST(CliArgs, RecordHoldsOptionsAndPathsInOrder)
{
    CliOptions options;
    ASSERT_EQ(PARSE_RUN, Parse("convert b.dem --from 1920x1080 -r --to=800x600 c --dry-run -- --backup", &options));
    EXPECT_EQ(COMMAND_CONVERT, options.command);
    EXPECT_TRUE(options.recursive);
    EXPECT_TRUE(options.dryRun);
    EXPECT_FALSE(options.backup);
    EXPECT_TRUE(options.fromGiven);
    EXPECT_EQ(1920u, options.fromWidth);
    EXPECT_EQ(1080u, options.fromHeight);
    EXPECT_EQ(800u, options.toWidth);
    EXPECT_EQ(600u, options.toHeight);
    EXPECT_EQ((std::vector<std::string>{"b.dem", "c", "--backup"}), options.paths);

    ASSERT_EQ(PARSE_RUN, Parse("info --json x", &options));
    EXPECT_EQ(COMMAND_INFO, options.command);
    EXPECT_TRUE(options.json);
    EXPECT_FALSE(options.recursive);
    EXPECT_FALSE(options.fromGiven);
}

TEST(CliArgs, RejectionListsEverySizeTheConverterTakes)
{
    const char* text = UnsupportedResolutionText;
    EXPECT_EQ(0, strncmp(text, "Wrong resolution. Available resolutions are:\n", 45));
    unsigned int listed = 0;
    for (const char* line = strchr(text, '\n'); line && line[1]; line = strchr(line + 1, '\n')) {
        unsigned int width = 0, height = 0;
        ASSERT_EQ(2, sscanf(line + 1, "%ux%u", &width, &height));
        CliOptions options;
        std::string size = std::to_string(width) + "x" + std::to_string(height);
        EXPECT_EQ(PARSE_RUN, Parse("convert --to " + size + " a", &options)) << size;
        listed++;
    }
    EXPECT_EQ(8u, listed);
}

TEST(CliPaths, DemoEndingAndRepairedName)
{
    const struct {
        const char* path;
        bool demo;
        const char* repaired;
    } rows[] = {
        {"a.dem", true, "a.repaired.dem"},
        {"dir/Match.DEM", true, "dir/Match.repaired.dem"},
        {"x.Dem", true, "x.repaired.dem"},
        {".dem", false, ".dem.repaired.dem"},
        {"demo", false, "demo.repaired.dem"},
        {"a.dem.bak", false, "a.dem.bak.repaired.dem"},
        {"a_dem", false, "a_dem.repaired.dem"},
        {"", false, ".repaired.dem"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.demo, HasDemoEnding(row.path)) << row.path;
        EXPECT_EQ(row.repaired, RepairedPath(row.path)) << row.path;
    }
}

TEST(CliArgs, CutTimes)
{
    static const struct {
        const char* text;
        double seconds;    // -1: refused
    } rows[] = {
        {"95.5", 95.5},   {"0", 0},          {"1:35", 95},      {"1:35.25", 95.25}, {"12:03.5", 723.5},
        {"0:59.9", 59.9}, {"90:00", 5400},   {"1:60", -1},      {"1:5", -1},        {"1:005", -1},
        {"1:05:00", -1},  {"1.", -1},        {".5", -1},        {"-1", -1},         {"1e3", -1},
        {"", -1},         {"1:05.", -1},     {"5 ", -1},
    };
    for (const auto& row : rows) {
        std::vector<const char*> argv = {"flickbox-cli", "cut", "--from", row.text, "--to-round", "2", "a.dem"};
        CliOptions options;
        ParseOutcome outcome = ParseCliArguments((int)argv.size(), argv.data(), &options);
        if (row.seconds < 0) {
            EXPECT_EQ(PARSE_USAGE_ERROR, outcome) << row.text;
            continue;
        }
        ASSERT_EQ(PARSE_RUN, outcome) << row.text;
        EXPECT_EQ(CUT_BOUND_TIME, options.cutFrom.kind);
        EXPECT_DOUBLE_EQ(row.seconds, options.cutFrom.seconds) << row.text;
        EXPECT_EQ(CUT_BOUND_ROUND, options.cutTo.kind);
        EXPECT_EQ(2, options.cutTo.round);
    }
    EXPECT_EQ("a.cut.dem", CutPath("a.dem"));
    EXPECT_EQ("dir/Match.cut.dem", CutPath("dir/Match.DEM"));
    EXPECT_EQ("demo.cut.dem", CutPath("demo"));
}
