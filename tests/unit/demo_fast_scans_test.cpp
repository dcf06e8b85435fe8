// The fast scans against the literal reference scans, on the real demos and
// on buffers stitched together from the very fragments the scans look for.
#include "tests/unit/demo_test_support.h"

#include <random>

#include "demo/resolution_records.h"
#include "demo/team_messages.h"
#include "tools/sample_demo.h"

// Fragments that make every branch of the three scans likely: the patterns
// whole and cut short, records, team messages of every kind, delimiters.
static Bytes Fragment(std::mt19937& random)
{
    static const std::vector<Bytes> fragments = {
        {0x00, 0x05, 0x00, 0x00, 0xC0, 0x03}, {0x80, 0x04, 0x00, 0x00, 0x60, 0x03},
        {0x20, 0x03, 0x00, 0x00, 0x58, 0x02}, {0x80, 0x02, 0x00, 0x00, 0xE0, 0x01},
        {0x00, 0x02, 0x00, 0x00, 0x80, 0x01}, {0xE0, 0x01, 0x00, 0x00, 0x68, 0x01},
        {0x90, 0x01, 0x00, 0x00, 0x2C, 0x01}, {0x00, 0x04, 0x00, 0x00, 0x00, 0x03},
        {0x00, 0x04, 0x00, 0x00, 0x00}, {0x00, 0x08, 'H', 'L', 'T', 'V'}, {0x00, 0x08, 'H', 'L'},
        {0x09, 'f', 'u', 'l', 'l', 's'}, {0x09, 'f', 'u', 'l'},
        {'\\', 'n', 'a', 'm', 'e', '\\'}, {'n', 'a', 'm', 'e'}, {'N', 'a', 'm', 'e'},
        {'\\'}, {','}, {'\n'}, {0}, {0, 0, 0, 0, 0, 0, 0, 0}, {'R', 'o', 'o', 'k', 'i', 'e'},
        {'r', 'O', 'O', 'K', 'I', 'E'}, {' ', '\t'},
        {0x4A}, {0x4C}, {0x4B}, {0x4A, 0x08, 0x01, 0x02, '(', 'T', 'e', 'r', '!', 0},
        {0x4C, 0x06, 0x01, 0x02, '*', 'D', 'E', 'A'}, {0x4C, 0x05, 0x01, 0x02, '(', 'T', 'e'},
        {0x4A, 0x09, 0x01, 0x02, '(', 'C', 'o', 'u'}, {0x4A, 0x02}, {0x4C, 0x40, 0, 0, '('},
        {'(', 'A', 'l', 'l', ')'}, {0x4A, 0x4A, 0x4C, 0x08},
    };
    switch (random() % 4) {
    case 0: {
        Bytes noise(random() % 24);
        for (unsigned char& b : noise)
            b = (unsigned char)random();
        return noise;
    }
    case 1: {
        // A resolution record, at times of a size the converter cases use.
        static const unsigned short sizes[][2] = {{800, 600}, {1024, 768}, {0, 0}, {0, 768}, {800, 0}};
        const unsigned short* size = sizes[random() % 5];
        Bytes record(14, 0);
        record[8] = (unsigned char)size[0];
        record[9] = (unsigned char)(size[0] >> 8);
        record[12] = (unsigned char)size[1];
        record[13] = (unsigned char)(size[1] >> 8);
        return record;
    }
    default:
        return fragments[random() % fragments.size()];
    }
}

static Bytes StitchedBuffer(std::mt19937& random, size_t pieces)
{
    Bytes bytes;
    for (size_t i = 0; i < pieces; i++)
        bytes = Concat({bytes, Fragment(random)});
    return bytes;
}

static void ExpectSameEverywhere(const Bytes& bytes, const std::string& what)
{
    DemoInspection fast, reference;
    AnalyseDemo(bytes.data(), bytes.size(), "800", "600", "C:\\Flickbox", &fast);
    ReferenceAnalyseDemo(bytes.data(), bytes.size(), "800", "600", "C:\\Flickbox", &reference);
    ASSERT_TRUE(SameInspection(fast, reference)) << what;

    static const unsigned int sizes[][4] = {
        {800, 600, 1024, 768}, {1024, 768, 640, 480}, {0, 0, 800, 600}, {0, 0, 0, 0},
        {800, 600, 800, 600}, {0, 768, 0, 0}, {1024, 768, 0, 0}};
    for (const unsigned int* size : sizes) {
        Bytes a = bytes, b = bytes;
        RewriteResolutionRecords(a.data(), a.size(), size[0], size[1], size[2], size[3]);
        ReferenceRewriteResolutionRecords(b.data(), b.size(), size[0], size[1], size[2], size[3]);
        ASSERT_TRUE(a == b) << what << " rewrite " << size[0] << "x" << size[1] << " to "
                            << size[2] << "x" << size[3];
    }

    Bytes a = bytes, b = bytes;
    unsigned int fastCount = BlankTeamMessages(a.data(), a.size());
    unsigned int referenceCount = ReferenceBlankTeamMessages(b.data(), b.size());
    ASSERT_EQ(referenceCount, fastCount) << what;
    ASSERT_TRUE(a == b) << what;
}

TEST(DemoFastScans, MatchTheReferenceOnEveryRealDemo)
{
    REQUIRE_DEMO_CORPUS();
    for (const std::string& name : DemoCorpusNames()) {
        Bytes bytes = ReadRealDemo(name.c_str());
        if (bytes.empty())
            continue;  // an empty file has nothing to compare
        ExpectSameEverywhere(bytes, name.c_str());
    }
}

TEST(DemoFastScans, MatchTheReferenceOnGeneratedDemos)
{
    SampleDemoSpec plain;
    SampleDemoSpec full;
    full.width = 800;
    full.height = 600;
    full.playerNames = {"Rookie", "ROOKIE", "Sniper"};
    full.teamMessages = {"(Terrorist) go", "(Counter-Terrorist) hold", "*DEAD* gg", "(All) hi"};
    SampleDemoSpec hltv = full;
    hltv.hltv = true;
    hltv.width = 1024;
    hltv.height = 768;
    for (const SampleDemoSpec* spec : {&plain, &full, &hltv})
        ExpectSameEverywhere(BuildSampleDemo(*spec), spec->mapName);
}

TEST(DemoFastScans, MatchTheReferenceOnStitchedPatterns)
{
    std::mt19937 random(20261208);
    for (int round = 0; round < 3000; round++) {
        Bytes bytes = StitchedBuffer(random, 1 + random() % 60);
        ExpectSameEverywhere(bytes, "round " + std::to_string(round));
        if (HasFatalFailure())
            return;
    }
}

// Every length around the vector width, so the tails and the last full
// vectors meet the patterns at all offsets.
TEST(DemoFastScans, MatchTheReferenceAtEveryShortLength)
{
    std::mt19937 random(7);
    for (size_t length = 0; length < 80; length++) {
        for (int round = 0; round < 40; round++) {
            Bytes bytes = StitchedBuffer(random, 30);
            bytes.resize(length);
            ExpectSameEverywhere(bytes, "length " + std::to_string(length));
            if (HasFatalFailure())
                return;
        }
    }
}
