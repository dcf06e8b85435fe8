// AnalyseDemo by behaviour: header decoding, scan bounds, resolution
// priority, the HLTV rule, the player-info tokeniser, name de-duplication,
// the summary and the preview path.
#include "tests/unit/demo_test_support.h"

// The header of the worked example: HLDEMO, protocols 5 and 43, de_dust, cstrike.
static Bytes ExampleHeader(size_t size)
{
    Bytes bytes(size, 0);
    PutText(bytes, 0, "HLDEMO");
    bytes[8] = 5;
    bytes[12] = 43;
    PutText(bytes, 16, "de_dust");
    PutText(bytes, 276, "cstrike");
    return bytes;
}

TEST(DemoHeader, WorkedExampleGivesTheNineLines)
{
    Bytes bytes = ExampleHeader(20000);
    Put(bytes, 9000, Signature(1024, 768));
    Put(bytes, 12000, PlayerInfo("\\name\\Rookie\\model\\gordon\\name\\Sniper"));
    DemoInspection inspection = Inspect(bytes);
    EXPECT_STREQ("Half-Life Version: 1.1.0.4\nDemo Type: HLDEMO\nDemo Version: 5\n"
                 "Network Version: 43\nMap: de_dust\nMod: cstrike\nCurrent Res: 800x600\n"
                 "Demo Res: 1024x768\n",
                 inspection.summary);
    EXPECT_EQ((std::vector<std::string>{"Rookie", "Sniper"}), Names(inspection));
    EXPECT_STREQ("43", inspection.networkVersion);
    EXPECT_STREQ("cstrike", inspection.header.gameDir);
    EXPECT_STREQ("C:\\Flickbox\\cstrike\\maps\\de_dust.bmp", inspection.previewPath);
    EXPECT_TRUE(inspection.previewPathFits);
}

TEST(DemoHeader, ProtocolBytesAreSignedAndKeyTheVersionTable)
{
    struct Row {
        unsigned char protocol;
        const char* text;
        const char* gameVersion;
    } rows[] = {
        {37, "37", "1.0.0.8"}, {38, "38", "1.0.0.9"}, {39, "39", "1.0.1.3"},
        {40, "40", "1.0.1.6"}, {41, "41", "1.1.0.0"}, {42, "42", "1.1.0.1"},
        {43, "43", "1.1.0.4"}, {44, "44", "N/A"},     {45, "45", "1.1.0.8"},
        {46, "46", "N/A"},     {48, "48", "N/A"},     {0xD3, "-45", "N/A"},
        {0x80, "-128", "N/A"}, {0x7F, "127", "N/A"},  {0, "0", "N/A"},
    };
    for (const Row& row : rows) {
        Bytes bytes = ExampleHeader(600);
        bytes[8] = row.protocol;
        bytes[12] = row.protocol;
        DemoInspection inspection = Inspect(bytes);
        EXPECT_STREQ(row.text, inspection.demoVersion) << row.text;
        EXPECT_STREQ(row.text, inspection.networkVersion) << row.text;
        EXPECT_STREQ(row.gameVersion, inspection.gameVersion) << row.text;
    }
}

TEST(DemoHeader, TextFieldsWithoutNulKeepTheirWholeWidth)
{
    Bytes bytes = ExampleHeader(600);
    PutText(bytes, 0, "ABCDEFGH");         // 8 bytes, no NUL before the protocol byte
    memset(&bytes[16], 'm', 260);           // the map runs up to the game directory
    memset(&bytes[276], 'g', 264);          // the game directory up to offset 539
    DemoInspection inspection = Inspect(bytes);
    EXPECT_STREQ("ABCDEFGH", inspection.header.magic);
    EXPECT_EQ(std::string(260, 'm'), inspection.header.mapName);
    EXPECT_EQ(std::string(264, 'g'), inspection.header.gameDir);
    // The longest fields still fit the summary whole.
    EXPECT_EQ('\n', inspection.summary[strlen(inspection.summary) - 1]);
    EXPECT_NE(nullptr, strstr(inspection.summary, ("Mod: " + std::string(264, 'g') + "\n").c_str()));
}

TEST(DemoHeader, FieldsPastTheEndOfAShortFileReadAsEmptyOrZero)
{
    struct Row {
        size_t size;
        const char* magic;
        const char* demoVersion;
        const char* networkVersion;
        const char* map;
        const char* gameDir;
    } rows[] = {
        {0, "", "0", "0", "", ""},
        {3, "HLD", "0", "0", "", ""},
        {9, "HLDEMO", "5", "0", "", ""},
        {13, "HLDEMO", "5", "43", "", ""},
        {19, "HLDEMO", "5", "43", "de_", ""},
        {280, "HLDEMO", "5", "43", "de_dust", "cstr"},
        {540, "HLDEMO", "5", "43", "de_dust", "cstrike"},
    };
    Bytes whole = ExampleHeader(540);
    for (const Row& row : rows) {
        Bytes bytes(whole.begin(), whole.begin() + row.size);
        DemoInspection inspection = Inspect(bytes);
        EXPECT_STREQ(row.magic, inspection.header.magic) << row.size;
        EXPECT_STREQ(row.demoVersion, inspection.demoVersion) << row.size;
        EXPECT_STREQ(row.networkVersion, inspection.networkVersion) << row.size;
        EXPECT_STREQ(row.map, inspection.header.mapName) << row.size;
        EXPECT_STREQ(row.gameDir, inspection.header.gameDir) << row.size;
        EXPECT_STREQ("*", inspection.demoWidth) << row.size;
    }
}

TEST(DemoScanBounds, FilesBelowSevenBytesAreNeverSearched)
{
    for (size_t size = 1; size <= 6; size++) {
        Bytes bytes = HltvMarker();
        bytes.resize(size);
        DemoInspection inspection = Inspect(bytes);
        EXPECT_EQ("*x*", Resolution(inspection)) << size;
        EXPECT_FALSE(inspection.isHltv) << size;
        EXPECT_TRUE(inspection.playerNames.empty()) << size;
    }
}

// The last position is N - 7: a pattern whose last byte is the file's last
// byte is not found, one byte earlier it is.
TEST(DemoScanBounds, APatternEndingOnTheLastByteIsNotFound)
{
    struct Row {
        Bytes pattern;
        const char* found;
    } rows[] = {
        {Signature(800, 600), "800x600"},
        {Signature(1024, 768), "1024x768"},
        {HltvMarker(), "1024x768"},
    };
    for (const Row& row : rows) {
        for (size_t lead : {0, 1, 5000}) {
            Bytes atEnd = Concat({Neutral(lead), row.pattern});
            EXPECT_EQ("*x*", Resolution(Inspect(atEnd))) << row.found << " lead " << lead;
            atEnd.push_back(NEUTRAL_BYTE);
            EXPECT_EQ(row.found, Resolution(Inspect(atEnd))) << row.found << " lead " << lead;
        }
    }
    // A seven-byte file is searched at position 0 only.
    Bytes seven = Signature(640, 480);
    seven.push_back(0);
    EXPECT_EQ("640x480", Resolution(Inspect(seven)));
}

TEST(DemoScanBounds, APlayerInfoMarkerNearTheEndUsesWhatRemains)
{
    Bytes bytes = Concat({Neutral(5000), PlayerInfo(",name,Rookie")});
    EXPECT_EQ(std::vector<std::string>{"Rookie"}, Names(Inspect(bytes)));

    // A window of 10 bytes: the marker and "name", which gives nothing.
    Bytes shortWindow = Concat({Neutral(100), PlayerInfo("name")});
    EXPECT_TRUE(Inspect(shortWindow).playerNames.empty());
}

TEST(DemoResolution, EachRowGivesItsTexts)
{
    struct Row {
        unsigned width, height;
        const char* shown;
    } rows[] = {
        {1280, 960, "1280x960"}, {1152, 864, "1152x864"}, {800, 600, "800x600"},
        {640, 480, "640x480"},   {512, 384, "512x384"},   {480, 360, "480x360"},
        {400, 300, "400x300"},   {1024, 768, "1024x768"}, {1920, 1080, "*x*"},
        {960, 1280, "*x*"},
    };
    for (const Row& row : rows) {
        Bytes bytes = Neutral(3000);
        Put(bytes, 1234, Signature(row.width, row.height));
        DemoInspection inspection = Inspect(bytes);
        EXPECT_EQ(row.shown, Resolution(inspection));
        EXPECT_FALSE(inspection.isHltv);
    }
}

TEST(DemoResolution, LowestPositionOfTheSevenRowsDecidesAndTheFallbackComesLast)
{
    struct Row {
        size_t firstAt;
        Bytes first;
        size_t secondAt;
        Bytes second;
        const char* shown;
    } rows[] = {
        {5000, Signature(640, 480), 100, Signature(1024, 768), "640x480"},
        {5000, Signature(800, 600), 3000, Signature(1280, 960), "1280x960"},
        {3000, Signature(800, 600), 5000, Signature(1280, 960), "800x600"},
        {40, Signature(400, 300), 46, Signature(480, 360), "400x300"},
        {40, Signature(480, 360), 46, Signature(400, 300), "480x360"},
        {7000, Signature(1024, 768), 100, HltvMarker(), "1024x768"},
    };
    for (const Row& row : rows) {
        Bytes bytes = Neutral(8000);
        Put(bytes, row.firstAt, row.first);
        Put(bytes, row.secondAt, row.second);
        EXPECT_EQ(row.shown, Resolution(Inspect(bytes))) << row.shown;
    }
}

TEST(DemoHltv, MarkerCountsOnlyWhenNoneOfTheSevenRowsMatched)
{
    Bytes names = PlayerInfo("\\name\\Rookie\\");

    Bytes withRow = Neutral(20000);
    Put(withRow, 100, HltvMarker());
    Put(withRow, 9000, Signature(640, 480));
    Put(withRow, 12000, names);
    DemoInspection rowWins = Inspect(withRow);
    EXPECT_FALSE(rowWins.isHltv);
    EXPECT_EQ("640x480", Resolution(rowWins));
    EXPECT_EQ(std::vector<std::string>{"Rookie"}, Names(rowWins));
    EXPECT_EQ('\n', rowWins.summary[strlen(rowWins.summary) - 1]);

    for (bool fallback : {true, false}) {
        Bytes bytes = Neutral(20000);
        Put(bytes, 15000, HltvMarker());
        if (fallback)
            Put(bytes, 100, Signature(1024, 768));
        Put(bytes, 12000, names);
        DemoInspection hltv = Inspect(bytes);
        EXPECT_TRUE(hltv.isHltv);
        EXPECT_EQ("1024x768", Resolution(hltv));
        EXPECT_TRUE(hltv.playerNames.empty());
        const char* tail = "\nDemo Res: 1024x768\nHLTV Recorded Demo";
        EXPECT_STREQ(tail, hltv.summary + strlen(hltv.summary) - strlen(tail));
    }
}

// One window's text, after the marker, and the names it gives.
TEST(DemoPlayerNames, TokeniserRules)
{
    struct Row {
        std::string text;
        std::vector<std::string> names;
    } rows[] = {
        {"\\name\\Rookie\\model\\gordon", {"Rookie"}},
        {"\\Name\\Rookie", {}},
        {"\\names\\Rookie", {}},
        // The key is exactly these four letters: a near miss in any one is no key.
        {"\\xame\\Rookie", {}},
        {"\\nxme\\Rookie", {}},
        {"\\naxe\\Rookie", {}},
        {"\\namx\\Rookie", {}},
        {"\\nam\\Rookie", {}},
        {"\\name\\name\\Sniper", {"name"}},
        {"\\name\\name\\name\\Sniper", {"name", "Sniper"}},
        {"\\name\\\\\\\\model\\gordon", {"model"}},
        {"x,name,Medic", {"Medic"}},
        {"\\name\\Big Bad\tTom\\", {"Big Bad\tTom"}},
        {std::string("\\name") + '\0' + "Nul\nname\nLine", {"Nul", "Line"}},
        {"\\name", {}},
        {"name\\Glued", {}},   // "fullsname" is one token with the marker's letters
        {"\\model\\gordon\\name\\", {}},
    };
    for (const Row& row : rows) {
        Bytes bytes = Concat({Neutral(50), PlayerInfo(row.text), Neutral(150)});
        EXPECT_EQ(row.names, Names(Inspect(bytes))) << row.text;
    }
}

TEST(DemoPlayerNames, WindowEndsAfter4096BytesAndNamesAreCutTo127)
{
    Bytes bytes = Neutral(10000);
    // The window starts at the marker, so a name whose token begins at byte
    // 4094 of the window keeps two characters.
    Bytes info = PlayerInfo("\\name\\First");
    Put(bytes, 1000, info);
    PutText(bytes, 1000 + 4088, "\\name\\Cutoff\\");
    Put(bytes, 6000, PlayerInfo("\\name\\" + std::string(300, 'L') + "\\"));
    EXPECT_EQ((std::vector<std::string>{"First", "Cu", std::string(127, 'L')}),
              Names(Inspect(bytes)));
}

TEST(DemoPlayerNames, EveryMarkerIsUsedAndNamesComeOnceInFirstOrder)
{
    Bytes bytes = Neutral(25000);
    Put(bytes, 1000, PlayerInfo("\\name\\Rookie\\name\\Sniper\\"));
    Put(bytes, 1100, PlayerInfo("\\name\\ROOKIE\\name\\Medic\\name\\sniper\\"));
    Put(bytes, 9000, PlayerInfo(",name,Zed,name,rOOKIE"));
    // Names that agree in their first 127 characters are the same name.
    Put(bytes, 14000, PlayerInfo("\\name\\" + std::string(127, 'x') + "A\\"));
    Put(bytes, 19000, PlayerInfo("\\name\\" + std::string(127, 'X') + "B\\"));
    EXPECT_EQ((std::vector<std::string>{"Rookie", "Sniper", "Medic", "Zed", std::string(127, 'x')}),
              Names(Inspect(bytes)));
}

TEST(DemoSummary, PreviewPathThatDoesNotFitIsMarked)
{
    Bytes bytes = ExampleHeader(600);
    std::string longDir(200, 'd');
    DemoInspection fits = Inspect(bytes, "C:\\x");
    EXPECT_STREQ("C:\\x\\cstrike\\maps\\de_dust.bmp", fits.previewPath);
    EXPECT_TRUE(fits.previewPathFits);
    memset(&bytes[16], 'm', 60);
    DemoInspection tooLong = Inspect(bytes, longDir.c_str());
    EXPECT_FALSE(tooLong.previewPathFits);
    EXPECT_STREQ("", tooLong.previewPath);
}
