// The pure demo scans over the real recordings of the demo corpus:
// the header fields and findings each file holds (as its SOURCES.md notes
// them), and that a conversion or a strip changes only the records and
// messages it reports and keeps the size.
#include "tests/unit/demo_test_support.h"

#include "demo/resolution_records.h"
#include "demo/team_messages.h"

struct RealDemo {
    const char* file;
    int demoProtocol;
    int networkProtocol;
    const char* map;
    const char* gameDir;
    const char* resolution;
    bool hltv;
    std::vector<std::string> names;
};

static const RealDemo RealDemoFacts[] = {
    {"YaLTeR__hldemo-rs__basic.dem", 5, 48, "c1a0", "valve", "*x*", false,
     {"^2{^7ch^2e^7a^2t^7s^2}^0__$#]^@"}},
    {"YaLTeR__hldemo-rs__frame-types.dem", 5, 48, "c1a0", "valve", "*x*", false, {}},
    {"khanghugo__dem__weapon.dem", 5, 48, "crossfire", "cstrike", "1024x768", false, {"Player"}},
    {"hobokenn__won-demo-parser__1016.dem", 4, 40, "c2a1", "valve", "*x*", false, {}},
    {"hobokenn__won-demo-parser__cool.dem", 4, 40, "subtransit", "tfc", "*x*", false, {}},
    {"willard1215__DemoAnalyserRS__274_dcj_Desu.dem", 5, 48, "kz_longjumps2", "cstrike", "*x*",
     false, {"desu"}},
    {"UnrealKaraulov__UnrealDemoScanner__demotesttestste.dem-2405171129-cs_assault.dem", 5, 48,
     "cs_assault", "cstrike", "1024x768", true, {}},
    {"UnrealKaraulov__UnrealDemoScanner__vermilion_SINGLE_1_AIM.dem", 5, 48, "cs_assault",
     "cstrike", "1024x768", false,
     {"\xD0\x9F\xD0\xBE\xD0\xB2\xD0\xB5\xD0\xBB\xD0\xB8\xD1\x82\xD0\xB5\xD0\xBB\xD1\x8C "
      "\xD1\x82\xD1\x8C\xD0\xBC\xD1\x8B",
      "YourCS | ProPlayer"}},
    {"UnrealKaraulov__UnrealDemoScanner__antifak.dem", 5, 48, "de_dune2", "cstrike", "*x*", false,
     {"222ahahahaha555"}},
    {"UnrealKaraulov__UnrealDemoScanner__test_name_change.dem", 5, 48, "de_dust2", "cstrike", "*x*",
     false, {"Karaul0v", "222ahahahaha222"}},
};

TEST(DemoRealFiles, HeaderAndFindingsOfEachRecording)
{
    for (const RealDemo& demo : RealDemoFacts) {
        REQUIRE_CORPUS_DEMO(demo.file);
        Bytes bytes = ReadRealDemo(demo.file);
        ASSERT_FALSE(bytes.empty()) << demo.file;
        DemoInspection inspection = Inspect(bytes);
        EXPECT_STREQ("HLDEMO", inspection.header.magic) << demo.file;
        EXPECT_EQ(demo.demoProtocol, inspection.header.demoProtocol) << demo.file;
        EXPECT_EQ(demo.networkProtocol, inspection.header.networkProtocol) << demo.file;
        EXPECT_STREQ(demo.map, inspection.header.mapName) << demo.file;
        EXPECT_STREQ(demo.gameDir, inspection.header.gameDir) << demo.file;
        EXPECT_STREQ(demo.networkProtocol == 40 ? "1.0.1.6" : "N/A", inspection.gameVersion);
        EXPECT_EQ(demo.resolution, Resolution(inspection)) << demo.file;
        EXPECT_EQ(demo.hltv, inspection.isHltv) << demo.file;
        EXPECT_EQ(demo.names, Names(inspection)) << demo.file;
    }
}

// Every changed byte lies in a 14-byte run that held a record of the old
// size and now holds one of the new size.
TEST(DemoRealFiles, ConversionChangesOnlyTheRecordsOfTheOldSize)
{
    struct Row {
        const char* file;
        size_t records;
    } rows[] = {
        {"khanghugo__dem__weapon.dem", 736},
        {"UnrealKaraulov__UnrealDemoScanner__vermilion_SINGLE_1_AIM.dem", 51},
    };
    const Bytes oldRecord = {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x04, 0, 0, 0x00, 0x03};
    const Bytes newRecord = {0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x03, 0, 0, 0x58, 0x02};
    for (const Row& row : rows) {
        REQUIRE_CORPUS_DEMO(row.file);
        Bytes original = ReadRealDemo(row.file);
        ASSERT_FALSE(original.empty()) << row.file;
        Bytes converted = original;
        RewriteResolutionRecords(converted.data(), converted.size(), 1024, 768, 800, 600);
        ASSERT_EQ(original.size(), converted.size());

        size_t records = 0;
        size_t i = 0;
        while (i < original.size()) {
            if (original[i] == converted[i]) {
                i++;
                continue;
            }
            // 1024x768 and 800x600 differ in all four size bytes, so the
            // first changed byte is the record's byte 8.
            ASSERT_GE(i, 8u) << row.file;
            size_t start = i - 8;
            ASSERT_EQ(0, memcmp(&original[start], oldRecord.data(), 14)) << row.file << " at " << i;
            ASSERT_EQ(0, memcmp(&converted[start], newRecord.data(), 14)) << row.file << " at " << i;
            records++;
            i = start + 14;
        }
        EXPECT_EQ(row.records, records) << row.file;
        EXPECT_EQ("800x600", Resolution(Inspect(converted))) << row.file;

        // Converting back restores the file byte for byte.
        RewriteResolutionRecords(converted.data(), converted.size(), 800, 600, 1024, 768);
        EXPECT_TRUE(converted == original) << row.file;
    }
}

TEST(DemoRealFiles, StripChangesNothingWithoutTeamChat)
{
    for (const RealDemo& demo : RealDemoFacts) {
        REQUIRE_CORPUS_DEMO(demo.file);
        Bytes original = ReadRealDemo(demo.file);
        ASSERT_FALSE(original.empty()) << demo.file;
        Bytes stripped = original;
        EXPECT_EQ(0u, BlankTeamMessages(stripped.data(), stripped.size())) << demo.file;
        EXPECT_TRUE(stripped == original) << demo.file;
    }
}

// Team messages written over a real demo: the strip blanks exactly them.
TEST(DemoRealFiles, StripBlanksOnlyTheTeamMessagesItCounts)
{
    REQUIRE_CORPUS_DEMO("UnrealKaraulov__UnrealDemoScanner__antifak.dem");
    Bytes original = ReadRealDemo("UnrealKaraulov__UnrealDemoScanner__antifak.dem");
    ASSERT_FALSE(original.empty());
    const std::string texts[] = {"(Terrorist) rush b", "*DEAD* nice one", "(Counter-Terrorist) hold"};
    const size_t offsets[] = {1000, 300000, original.size() - 40};
    for (size_t k = 0; k < 3; k++) {
        std::string message = std::string("\x4C") + (char)(texts[k].size() + 3) + "\x01\x02" + texts[k] + '\0';
        PutText(original, offsets[k], message);
    }
    Bytes stripped = original;
    EXPECT_EQ(3u, BlankTeamMessages(stripped.data(), stripped.size()));
    ASSERT_EQ(original.size(), stripped.size());
    for (size_t i = 0; i < original.size(); i++) {
        if (original[i] == stripped[i])
            continue;
        bool inside = false;
        for (size_t k = 0; k < 3; k++)
            inside = inside || (i >= offsets[k] && i < offsets[k] + texts[k].size() + 5);
        ASSERT_TRUE(inside) << "byte " << i << " changed outside the messages";
    }
    for (size_t k = 0; k < 3; k++) {
        EXPECT_EQ(0x4B, stripped[offsets[k]]);
        EXPECT_EQ(0x02, stripped[offsets[k] + 2]);
        EXPECT_EQ(Bytes(texts[k].size() + 1, 0),
                  Bytes(stripped.begin() + offsets[k] + 4, stripped.begin() + offsets[k] + 5 + texts[k].size()));
    }
}
