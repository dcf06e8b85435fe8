// The messages of one frame read from exactly their own bytes: what the walk
// and the pattern search take, up to the last byte and not one past it.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "demo/demo_messages.h"
#include "tests/unit/structure_test_support.h"

namespace {

enum { SAY_TEXT = 76, STOP_THE_WALK = 0 };

// An svc_updateuserinfo: id, slot, user id 9, the info string, its NUL and
// the 16-byte hash; hashBytes < 16 cuts it short.
Bytes UserInfo(int slot, const std::string& info, size_t hashBytes = 16)
{
    Bytes message(6 + info.size() + 1 + hashBytes, 0xAB);
    const unsigned char head[6] = {13, (unsigned char)slot, 9, 0, 0, 0};
    memcpy(message.data(), head, sizeof head);
    memcpy(message.data() + 6, info.data(), info.size());
    message[6 + info.size()] = 0;
    return message;
}

// A SayText with its length byte: sender 1, then the strings, each with its NUL.
Bytes SayText(std::initializer_list<std::string> strings)
{
    Bytes message = {SAY_TEXT, 0, 1};
    for (const std::string& text : strings) {
        message.insert(message.end(), text.begin(), text.end());
        message.push_back(0);
    }
    message[1] = (unsigned char)(message.size() - 2);
    return message;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes joined;
    for (const Bytes& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

// Reads the messages of a signon frame whose bytes are followed by tail,
// with SayText registered as the variable-size message 76. viaSearch puts a
// byte in front that stops the walk, so only the pattern search sees them.
DemoStructure ReadMessagesBefore(const Bytes& messages, bool viaSearch, const Bytes& tail)
{
    Bytes frame = messages;
    if (viaSearch)
        frame.insert(frame.begin(), STOP_THE_WALK);
    DemoStructure result;
    ReadDemoStructure(NULL, 0, &result);
    MessageReader reader;
    StartMessageReader(&reader, true);
    reader.sizes[SAY_TEXT] = -1;
    result.sayTextId = SAY_TEXT;
    Bytes all = Join({frame, tail});
    // Exactly the size: a read past it is one the sanitizers see.
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[all.size()]);
    memcpy(bytes.get(), all.data(), all.size());
    ReadFrameMessages(bytes.get(), 0, frame.size(), 2.5f, true, &reader, &result);
    return result;
}

// The messages read from a buffer that ends with the frame, and again from
// one where the frame is followed by the body of an info: the bytes past the
// frame's end must change nothing.
DemoStructure ReadMessages(const Bytes& messages, bool viaSearch)
{
    Bytes info = UserInfo(1, "\\name\\Tail");
    Bytes tail(info.begin() + 1, info.end());
    DemoStructure followed = ReadMessagesBefore(messages, viaSearch, tail);
    DemoStructure result = ReadMessagesBefore(messages, viaSearch, Bytes());
    EXPECT_EQ(result.players.size(), followed.players.size());
    EXPECT_EQ(result.chat.size(), followed.chat.size());
    EXPECT_EQ(result.userMessages.size(), followed.userMessages.size());
    return result;
}

}  // namespace

// The search takes an info only as a text that starts with a key and holds
// \name\; the walk takes whatever the message holds.
TEST(DemoMessages, PlayerInfoByWalkAndByStrictSearch)
{
    const std::string longName(200, 'n');
    const std::string cutName = longName.substr(0, PLAYER_INFO_NAME_SIZE - 1);
    struct Row {
        const char* why;
        int slot;
        std::string info;
        size_t hashBytes;
        const char* byWalk;     // the name taken, or NULL when not taken
        const char* bySearch;
    } rows[] = {
        {"name first", 3, "\\name\\Bob\\model\\gign", 16, "Bob", "Bob"},
        {"name last", 3, "\\model\\gign\\name\\Bob", 16, "Bob", "Bob"},
        {"empty name, nothing after", 3, "\\name\\", 16, "", ""},
        {"no name key", 3, "\\model\\gign", 16, "", NULL},
        {"no leading backslash", 3, "name\\Bob", 16, "", NULL},
        {"key without its second backslash", 3, "\\model\\x\\name", 16, "", NULL},
        {"last player slot", 31, "\\name\\Bob", 16, "Bob", "Bob"},
        {"slot past the players", 32, "\\name\\Bob", 16, "Bob", NULL},
        {"colour marker and tab", 3, "\\name\\\x01" "B\tb", 16, "\x01" "B\tb", "\x01" "B\tb"},
        {"control byte", 3, "\\name\\B\x05" "b", 16, "B\x05" "b", NULL},
        {"delete byte", 3, "\\name\\B\x7f" "b", 16, "B\x7f" "b", NULL},
        {"UTF-8 name", 3, "\\name\\Jos\xc3\xa9", 16, "Jos\xc3\xa9", "Jos\xc3\xa9"},
        {"name cut to its field", 3, "\\name\\" + longName, 16, cutName.c_str(), cutName.c_str()},
        {"hash one byte short", 3, "\\name\\Bob", 15, NULL, NULL},
        {"no hash", 3, "\\name\\Bob", 0, NULL, NULL},
    };
    for (const Row& row : rows) {
        for (bool viaSearch : {false, true}) {
            SCOPED_TRACE(testing::Message() << row.why << (viaSearch ? ", by search" : ", by walk"));
            DemoStructure result = ReadMessages(UserInfo(row.slot, row.info, row.hashBytes), viaSearch);
            const char* name = viaSearch ? row.bySearch : row.byWalk;
            if (!name) {
                EXPECT_TRUE(result.players.empty());
                continue;
            }
            ASSERT_EQ(1u, result.players.size());
            const PlayerInfo& player = result.players[0];
            EXPECT_STREQ(name, player.name);
            EXPECT_EQ(row.slot, player.slot);
            EXPECT_EQ(9, player.userId);
            EXPECT_EQ(viaSearch ? 1u : 0u, player.offset);
            EXPECT_EQ(2.5f, player.time);
        }
    }
}

// A SayText whose strings fill its payload exactly, up to four of them; the
// search wants well-formed UTF-8 in the Steam form.
TEST(DemoMessages, ChatStringsAndTheirBytes)
{
    const std::string key = "#Cstrike_Chat_All";
    struct Row {
        const char* why;
        Bytes message;
        int byWalk;         // strings taken, -1: no message
        int bySearch;
    } rows[] = {
        {"key, place and text", SayText({key, "", "gg\n"}), 3, 3},
        {"four strings", SayText({key, "", "gg\n", "B"}), 4, 4},
        {"five strings", SayText({key, "", "gg\n", "B", "x"}), 4, -1},
        {"lowest two-byte lead", SayText({key, "", "\xc2\xa0"}), 3, 3},
        {"highest two-byte lead", SayText({key, "", "\xdf\xbf"}), 3, 3},
        {"overlong two-byte lead", SayText({key, "", "\xc1\xbf"}), 3, -1},
        {"lone continuation byte", SayText({key, "", "\x80"}), 3, -1},
        {"three-byte sequence", SayText({key, "", "\xe2\x82\xac"}), 3, 3},
        {"three-byte lead cut by its NUL", SayText({key, "", "\xe2\x82"}), 3, -1},
        {"four-byte sequence", SayText({key, "", "\xf0\x9f\x98\x80"}), 3, 3},
        {"lead past U+10FFFF", SayText({key, "", "\xf5\x80\x80\x80"}), 3, -1},
        {"older form in another code page", SayText({"\x02" "caf\xe9: hi"}), 1, 1},
        // How chat starts: a colour marker 1 to 4, a key, or a plugin's "%s".
        {"colour marker 1 first", SayText({"\x01" "[admin] hi"}), 1, 1},
        {"colour marker 4 first", SayText({"\x04" "hi"}), 1, 1},
        {"a plugin's format", SayText({"%s", "hi"}), 2, 2},
        {"a '#' before no letter", SayText({"#1 hi"}), 1, -1},
        {"a '%' before no 's'", SayText({"%d", "hi"}), 2, -1},
        {"the key alone", SayText({key}), 1, 1},
        {"the sender alone", SayText({}), 0, -1},
        {"a control byte below the blank", SayText({key, "", "a\x1f"}), 3, -1},
        {"tab and line break", SayText({key, "", "a\tb\n"}), 3, 3},
    };
    for (const Row& row : rows) {
        for (bool viaSearch : {false, true}) {
            SCOPED_TRACE(testing::Message() << row.why << (viaSearch ? ", by search" : ", by walk"));
            DemoStructure result = ReadMessages(row.message, viaSearch);
            int strings = viaSearch ? row.bySearch : row.byWalk;
            if (strings < 0) {
                EXPECT_TRUE(result.chat.empty());
                continue;
            }
            ASSERT_EQ(1u, result.chat.size());
            const ChatMessage& chat = result.chat[0];
            EXPECT_EQ(strings, chat.stringCount);
            EXPECT_EQ(row.message.size(), chat.length);
            EXPECT_EQ(!viaSearch, chat.foundByWalk);
            // A first string that starts with '#' is a key.
            bool steam = row.message.size() > 3 && row.message[3] == '#';
            EXPECT_EQ(steam, chat.steamForm);
            EXPECT_EQ(steam ? std::string(chat.strings[0]) : std::string(), chat.key);
        }
    }
}

// Messages that end exactly at the frame's end are taken; one byte more than
// the frame holds is not, and nothing is read past the frame.
TEST(DemoMessages, MessagesUpToTheFramesLastByte)
{
    // svc_newusermsg: id 64, two bytes, "Ping" in its 16-byte field.
    Bytes registration = {39, 64, 2, 'P', 'i', 'n', 'g'};
    registration.resize(1 + 18, 0);
    // Sixteen name characters leave no room for the NUL.
    Bytes fullName = {39, 64, 2};
    fullName.resize(1 + 18, 'N');
    // A user message carries at most 192 bytes; 255 marks a variable size.
    Bytes largest = registration, tooLarge = registration;
    largest[2] = 192;
    tooLarge[2] = 193;
    Bytes variable = registration;
    variable[2] = 255;
    Bytes ping = {64, 7, 7};
    // Only the walk takes an info without its leading backslash.
    Bytes info = UserInfo(2, "name\\x");
    Bytes all = Join({registration, ping, info});
    struct Row {
        const char* why;
        Bytes bytes;
        bool viaSearch;
        size_t players;
        size_t userMessages;
    } rows[] = {
        {"registration, its message, an info", all, false, 1, 1},
        {"the info cut by one byte", Prefix(all, all.size() - 1), false, 0, 1},
        {"the user message cut by one byte", Join({registration, Prefix(ping, 2)}), false, 0, 1},
        {"the registration cut by one byte", Prefix(registration, registration.size() - 1), false, 0, 0},
        {"an unregistered user message stops the walk", Join({ping, info}), false, 0, 0},
        {"registration found by search", registration, true, 0, 1},
        {"registration cut by one byte, by search", Prefix(registration, registration.size() - 1), true, 0, 0},
        {"the largest fixed size, by search", largest, true, 0, 1},
        {"a size past the largest, by search", tooLarge, true, 0, 0},
        {"a name filling its field, by search", fullName, true, 0, 0},
        // A message's id as the frame's last byte: its body is not there.
        {"an info's id last", {13}, false, 0, 0},
        {"an info's id last, by search", {13}, true, 0, 0},
        {"a variable-size user message's id last", Join({variable, {64}}), false, 0, 1},
        {"voice data cut in its length", {53, 1, 5}, false, 0, 0},
        {"a director message cut in its length", {51}, false, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        DemoStructure result = ReadMessages(row.bytes, row.viaSearch);
        EXPECT_EQ(row.players, result.players.size());
        EXPECT_EQ(row.userMessages, result.userMessages.size());
    }
}
