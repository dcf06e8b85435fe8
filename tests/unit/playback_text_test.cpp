#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "playback/game_kind.h"
#include "playback/playback_text.h"
#include "shared/text.h"

TEST(PlaybackGameKind, EachGameHasItsKeyAndMessages)
{
    const GameRegistry* halfLife = GameRegistryFor(GAME_HALF_LIFE);
    ASSERT_TRUE(halfLife);
    EXPECT_STREQ("Software\\Valve\\Half-Life\\Settings", halfLife->key);
    EXPECT_STREQ("Could not read Half-Life registry", halfLife->openFailure);
    EXPECT_STREQ("Could not read HLV1", halfLife->heightFailure);
    EXPECT_STREQ("Could not read HLV2", halfLife->widthFailure);

    const GameRegistry* counterStrike = GameRegistryFor(GAME_COUNTER_STRIKE);
    ASSERT_TRUE(counterStrike);
    EXPECT_STREQ("Software\\Valve\\CounterStrike\\Settings", counterStrike->key);
    EXPECT_STREQ("Could not read CounterStrike registry", counterStrike->openFailure);
    EXPECT_STREQ("Could not read CSV1", counterStrike->heightFailure);
    EXPECT_STREQ("Could not read CSV2", counterStrike->widthFailure);

    EXPECT_EQ(nullptr, GameRegistryFor(GAME_NONE));
}

TEST(PlaybackDecimal, TextToLongReadsLikeTheStandardConversion)
{
    struct Row {
        const char* text;
        int32_t value;
        bool holdsNumber;
    } rows[] = {
        {"640", 640, true},
        {"  480", 480, true},
        {"\t-12", -12, true},
        {"+7", 7, true},
        {"1024x768", 1024, true},
        {"*", 0, false},
        {"", 0, false},
        {"-", 0, false},
        {" + 5", 0, false},
        {"abc12", 0, false},
        {"2147483647", INT32_MAX, true},
        {"99999999999", INT32_MAX, true},
        {"-2147483648", INT32_MIN, true},
        {"-99999999999", INT32_MIN, true},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.value, TextToLong(row.text)) << row.text;
        EXPECT_EQ(row.holdsNumber, HoldsDecimalNumber(row.text)) << row.text;
    }
}

TEST(PlaybackDecimal, FormatFitsTheResolutionBufferOrFails)
{
    char text[8];
    EXPECT_TRUE(FormatDecimal(text, sizeof text, 1280));
    EXPECT_STREQ("1280", text);
    EXPECT_TRUE(FormatDecimal(text, sizeof text, -1));
    EXPECT_STREQ("-1", text);
    EXPECT_TRUE(FormatDecimal(text, sizeof text, 0));
    EXPECT_STREQ("0", text);
    EXPECT_TRUE(FormatDecimal(text, sizeof text, 9999999));
    EXPECT_STREQ("9999999", text);
    EXPECT_TRUE(FormatDecimal(text, sizeof text, -999999));
    EXPECT_STREQ("-999999", text);
    EXPECT_FALSE(FormatDecimal(text, sizeof text, 10000000));
    EXPECT_FALSE(FormatDecimal(text, sizeof text, -1000000));
    EXPECT_FALSE(FormatDecimal(text, sizeof text, INT32_MIN));

    char wide[12];
    EXPECT_TRUE(FormatDecimal(wide, sizeof wide, INT32_MIN));
    EXPECT_STREQ("-2147483648", wide);
}

TEST(PlaybackCommandLine, ValuesGoInVerbatimWithTheirBlanks)
{
    char line[PATH_BUFFER_SIZE];
    ASSERT_TRUE(ComposeGameCommandLine(line, sizeof line, "C:\\Games\\Half-Life\\hl.exe",
                                       "-dev -w 640", "cstrike", "+host_framerate 0.02"));
    EXPECT_STREQ("C:\\Games\\Half-Life\\hl.exe -dev -w 640 -game cstrike -console -toconsole "
                 "+exec config.cfg +playdemo flickbox.dem +host_framerate 0.02",
                 line);

    ASSERT_TRUE(ComposeGameCommandLine(line, sizeof line, "hl.exe", "", "valve", ""));
    EXPECT_STREQ("hl.exe  -game valve -console -toconsole +exec config.cfg +playdemo flickbox.dem ",
                 line);

    ASSERT_TRUE(ComposeGameCommandLine(line, sizeof line, " a ", " b ", " c ", " d "));
    EXPECT_STREQ(" a   b  -game  c  -console -toconsole +exec config.cfg +playdemo flickbox.dem  d ",
                 line);
}

TEST(PlaybackCommandLine, TooLongIsDetectedNotCut)
{
    // 69 characters of fixed text: the values may add 190 in all.
    char line[PATH_BUFFER_SIZE];
    std::string exe(100, 'e'), extra(80, 'x');
    ASSERT_TRUE(ComposeGameCommandLine(line, sizeof line, exe.c_str(), extra.c_str(), "valve", "abcde"));
    EXPECT_EQ(259u, strlen(line));
    EXPECT_FALSE(ComposeGameCommandLine(line, sizeof line, exe.c_str(), extra.c_str(), "valve", "abcdef"));
}

TEST(PlaybackCommandLine, StagedDemoPath)
{
    char path[PATH_BUFFER_SIZE];
    ASSERT_TRUE(ComposeStagedDemoPath(path, sizeof path, "C:\\Games\\Half-Life", "cstrike"));
    EXPECT_STREQ("C:\\Games\\Half-Life\\cstrike\\flickbox.dem", path);

    std::string dir(238, 'd');
    ASSERT_TRUE(ComposeStagedDemoPath(path, sizeof path, dir.c_str(), "cstrike"));
    EXPECT_EQ(259u, strlen(path));
    dir += 'd';
    EXPECT_FALSE(ComposeStagedDemoPath(path, sizeof path, dir.c_str(), "cstrike"));
}

TEST(PlaybackCommandLine, ModDirMustStayInTheGameTree)
{
    struct Row {
        const char* modDir;
        bool safe;
    } rows[] = {
        {"cstrike", true}, {"valve", true}, {"my..mod", true}, {"", true},
        {"..", false}, {".", false}, {"..\\..\\Windows", false}, {"cstrike\\maps", false},
        {"../x", false}, {"C:", false}, {"\\\\server\\share", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.safe, IsSafeModDir(row.modDir)) << row.modDir;
}
