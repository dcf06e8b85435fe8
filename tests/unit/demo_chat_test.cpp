// SayText chat: found by the message walk or the pattern search, classified,
// shown, and its sender named.
#include <gtest/gtest.h>

#include <string>

#include "tests/unit/structure_test_support.h"

TEST(DemoChat, FoundByWalkAndByPatternOnceEach)
{
    struct Row {
        StructuredChat chat;
        ChatKind kind;
        bool team;         // a Steam team key
        const char* text;
    };
    const Row rows[] = {
        {Chat("#Cstrike_Chat_All", "gg"), CHAT_ALL, false, "gg"},
        {Chat("#Cstrike_Chat_T", "hold B", true), CHAT_TEAM, true, "hold B"},
        {Chat("#Cstrike_Chat_CT", "rotate"), CHAT_TEAM, true, "rotate"},
        {Chat("#Cstrike_Chat_T_Dead", "he is low", true), CHAT_TEAM_DEAD, true, "he is low"},
        {Chat("#Cstrike_Chat_CT_Dead", "awp mid"), CHAT_TEAM_DEAD, true, "awp mid"},
        {Chat("#Cstrike_Chat_Spec", "nice", true), CHAT_SPECTATOR, true, "nice"},
        {Chat("#Cstrike_Chat_AllDead", "unlucky"), CHAT_DEAD, false, "unlucky"},
        {Chat("#Cstrike_Chat_AllSpec", "hi all", true), CHAT_SPECTATOR, false, "hi all"},
        {Chat("", "(TEAM) bob: push"), CHAT_TEAM, false, "(TEAM) bob: push"},
        {Chat("", "(Terrorist) bob : go", true), CHAT_TEAM, false, "(Terrorist) bob : go"},
        {Chat("", "*DEAD* (Counter-Terrorist) al : wait"), CHAT_TEAM_DEAD, false, "*DEAD* (Counter-Terrorist) al : wait"},
        {Chat("", "*DEAD* al : ez", true), CHAT_DEAD, false, "*DEAD* al : ez"},
        {Chat("", "al: hello"), CHAT_ALL, false, "al: hello"},
    };
    StructuredDemoSpec spec;
    spec.playbackGroups = 4;   // several messages share a frame
    for (const Row& row : rows)
        spec.chat.push_back(row.chat);
    StructuredDemoLayout layout;
    Bytes demo = BuildStructuredDemo(spec, &layout);
    DemoStructure structure = Structure(demo);
    ASSERT_EQ(DEMO_COMPLETE, structure.state);
    ASSERT_EQ(sizeof rows / sizeof rows[0], structure.chat.size());
    for (const ChatMessage& message : structure.chat) {
        // Find the row by offset: file order differs from spec order.
        size_t i = 0;
        while (i < layout.chatOffsets.size() && layout.chatOffsets[i] != message.offset)
            i++;
        ASSERT_LT(i, layout.chatOffsets.size()) << "a message at " << message.offset << " was never written";
        const Row& row = rows[i];
        SCOPED_TRACE(row.chat.text);
        EXPECT_EQ(!row.chat.late, message.foundByWalk);
        EXPECT_EQ(!row.chat.key.empty(), message.steamForm);
        EXPECT_EQ(row.chat.key, message.key);
        EXPECT_EQ(row.kind, ClassifyChat(message));
        EXPECT_EQ(row.team, IsSteamTeamChat(message));
        char text[CHAT_TEXT_SIZE];
        ChatText(text, sizeof text, message);
        EXPECT_STREQ(row.text, text);
        EXPECT_EQ(demo[message.offset + 1] + 2u, message.length);
        EXPECT_EQ(1, message.sender);
    }
    for (size_t i = 1; i < structure.chat.size(); i++)
        EXPECT_LT(structure.chat[i - 1].offset, structure.chat[i].offset);
}

TEST(DemoChat, PatternSearchTakesOnlyWholeTextMessages)
{
    struct Row {
        const char* name;
        StructuredChat chat;
        size_t at;          // from the message's id byte
        unsigned char value;
        size_t found;       // messages found afterwards
    };
    // "#Cstrike_Chat_All" "" "gg\n": id 0, length 1, sender 2, key 3..19,
    // NULs 20 and 21, text 22..24, NUL 25.
    const StructuredChat steam = Chat("#Cstrike_Chat_All", "gg", true);
    const Row rows[] = {
        {"untouched", steam, 0, 0x4C, 1},
        {"a control byte in the text", steam, 23, 0x07, 0},
        {"not UTF-8", steam, 22, 0xC3, 0},
        {"UTF-8", steam, 22, 0x7E, 1},
        {"length one short", steam, 1, 23, 0},
        {"sender past the players", steam, 2, 40, 0},
        {"empty key", steam, 3, 0, 0},
        {"starts as no chat does", steam, 3, 'X', 0},
        {"older form in another code page", Chat("", "caf\xe9: hi", true), 0, 0x4C, 1},
        {"older form without its marker", Chat("", "caf\xe9: hi", true), 3, 'X', 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StructuredDemoSpec spec;
        spec.playbackGroups = 1;
        spec.chat = {row.chat};
        StructuredDemoLayout layout;
        Bytes demo = BuildStructuredDemo(spec, &layout);
        demo[layout.chatOffsets[0] + row.at] = row.value;
        DemoStructure structure = Structure(demo);
        EXPECT_EQ(DEMO_COMPLETE, structure.state);
        EXPECT_EQ(row.found, structure.chat.size());
    }
}

TEST(DemoChat, SenderNameFromTheInfoAtTheMessagesPlace)
{
    DemoStructure structure;
    ReadDemoStructure(NULL, 0, &structure);
    PlayerInfo infos[] = {
        {1.0f, 0, 7, "Old", 100}, {1.0f, 1, 8, "Bob", 150}, {5.0f, 0, 7, "New", 500},
    };
    structure.players.assign(infos, infos + 3);
    struct Row {
        int sender;
        uint64_t offset;
        const char* name;
    };
    static const Row rows[] = {
        {1, 300, "Old"}, {1, 600, "New"}, {1, 50, "Old"}, {2, 600, "Bob"}, {3, 600, ""}, {0, 600, ""},
    };
    for (const Row& row : rows) {
        ChatMessage message = ChatMessage();
        message.sender = row.sender;
        message.offset = row.offset;
        EXPECT_STREQ(row.name, SenderName(structure, message)) << row.sender << " at " << row.offset;
    }
}

TEST(DemoChat, NamesOfGeneratedPlayers)
{
    StructuredDemoSpec spec;
    spec.players = {{0, 1, "Alice"}, {1, 2, "Bob"}, {4, 9, "ThisNameIsLongerThanMost_And_Fine"}};
    spec.chat = {Chat("#Cstrike_Chat_All", "a"), Chat("#Cstrike_Chat_All", "b", true, 2),
                 Chat("#Cstrike_Chat_All", "c", false, 5), Chat("#Cstrike_Chat_All", "d", false, 9)};
    DemoStructure structure = Structure(BuildStructuredDemo(spec));
    ASSERT_EQ(3u, structure.players.size());
    EXPECT_EQ(4, structure.players[2].slot);
    EXPECT_EQ(9, structure.players[2].userId);
    ASSERT_EQ(4u, structure.chat.size());
    EXPECT_STREQ("Alice", SenderName(structure, structure.chat[0]));
    EXPECT_STREQ("Bob", SenderName(structure, structure.chat[1]));
    EXPECT_STREQ("ThisNameIsLongerThanMost_And_Fine", SenderName(structure, structure.chat[2]));
    EXPECT_STREQ("", SenderName(structure, structure.chat[3]));
}

static ChatMessage Message(const char* key, std::initializer_list<const char*> strings)
{
    ChatMessage message = ChatMessage();
    message.steamForm = key[0] != '\0';
    CopyTextForTest(message.key, key);
    for (const char* text : strings)
        CopyTextForTest(message.strings[message.stringCount++], text);
    return message;
}

TEST(DemoChat, KindsAndTexts)
{
    struct Row {
        ChatMessage message;
        ChatKind kind;
        const char* text;
    };
    const Row rows[] = {
        {Message("#Cstrike_Chat_CT_Loc", {"#Cstrike_Chat_CT_Loc", "", "here\n", "Bombsite A"}), CHAT_TEAM, "here"},
        {Message("#Cstrike_Chat_T_Loc", {"#Cstrike_Chat_T_Loc", "", "go\n", "Tunnels"}), CHAT_TEAM, "go"},
        {Message("#Cstrike_Name_Change", {"#Cstrike_Name_Change", "a", "b"}), CHAT_NAME_CHANGE, "a changed name to b"},
        {Message("#Cstrike_Chat_Other", {"#Cstrike_Chat_Other", "", "x\n"}), CHAT_OTHER, "x"},
        {Message("#Cstrike_Chat_All", {"#Cstrike_Chat_All"}), CHAT_ALL, "#Cstrike_Chat_All"},
        {Message("", {"\x03\x01[\x04SERVER\x01] welcome\n"}), CHAT_OTHER, "[SERVER] welcome"},
        {Message("", {"\x05" "five\n"}), CHAT_OTHER, "\x05" "five"},  // not a colour marker
        {Message("", {"%s", "plugin text\n"}), CHAT_OTHER, "plugin text"},
        {Message("", {"\x02(SPEC) joe: hi\r\n"}), CHAT_SPECTATOR, "(SPEC) joe: hi"},
        {Message("", {"\x02*DEAD*(Terrorist) joe : x\n"}), CHAT_TEAM_DEAD, "*DEAD*(Terrorist) joe : x"},
        {Message("", {}), CHAT_OTHER, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(row.kind, ClassifyChat(row.message));
        char text[CHAT_TEXT_SIZE];
        ChatText(text, sizeof text, row.message);
        EXPECT_STREQ(row.text, text);
        // A short buffer gets a cut, terminated text.
        char shortText[4];
        ChatText(shortText, sizeof shortText, row.message);
        EXPECT_EQ(std::string(row.text).substr(0, 3), shortText);
        char none[1] = {'#'};
        ChatText(none, sizeof none, row.message);
        EXPECT_EQ('\0', none[0]);
    }
    EXPECT_STREQ("team-dead", ChatKindName(CHAT_TEAM_DEAD));
    EXPECT_STREQ("name-change", ChatKindName(CHAT_NAME_CHANGE));
    EXPECT_STREQ("other", ChatKindName(CHAT_OTHER));
}
