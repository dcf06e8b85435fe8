// Text of the demo's bytes as the console tool writes it: JSON strings,
// terminal text, numbers and chat times.
#include <math.h>

#include <string>

#include "cli/cli_commands.h"
#include "cli/cli_json.h"
#include "gtest/gtest.h"

TEST(CliJson, StringEscapesAndBytes)
{
    static const struct {
        std::string bytes;
        std::string json;
    } rows[] = {
        {"", "\"\""},
        {"de_dust2", "\"de_dust2\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"\n\r\t\b\f", "\"\\n\\r\\t\\b\\f\""},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\x7f\""},
        {std::string("a\0b", 3), "\"a\\u0000b\""},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80\""},  // valid UTF-8
        {"\xe9t\xe9", "\"\xc3\xa9t\xc3\xa9\""},                  // Latin-1 bytes
        {"\xff\xfe", "\"\xc3\xbf\xc3\xbe\""},
        {"\xc3", "\"\xc3\x83\""},                               // cut sequence at the end
        {"\xe2\x82", "\"\xc3\xa2\xc2\x82\""},
        {"\xc0\xaf", "\"\xc3\x80\xc2\xaf\""},                   // overlong
        {"\xed\xa0\x80", "\"\xc3\xad\xc2\xa0\xc2\x80\""},       // surrogate
        {"\xf4\x90\x80\x80", "\"\xc3\xb4\xc2\x90\xc2\x80\xc2\x80\""},  // above U+10FFFF
        {"\xc3\xa9\xe9", "\"\xc3\xa9\xc3\xa9\""},               // valid, then a stray byte
        // Each lead at the edges of its range and of its second byte's.
        {"\xc2\x80\xdf\xbf", "\"\xc2\x80\xdf\xbf\""},
        {"\xc1\xbf", "\"\xc3\x81\xc2\xbf\""},                   // overlong two-byte
        {"\xe0\xa0\x80", "\"\xe0\xa0\x80\""},
        {"\xe0\x9f\xbf", "\"\xc3\xa0\xc2\x9f\xc2\xbf\""},       // overlong three-byte
        {"\xe1\x80\x80\xec\xbf\xbf", "\"\xe1\x80\x80\xec\xbf\xbf\""},
        {"\xed\x9f\xbf", "\"\xed\x9f\xbf\""},                   // just below the surrogates
        {"\xee\x80\x80\xef\xbf\xbf", "\"\xee\x80\x80\xef\xbf\xbf\""},
        {"\xe2\x28\xa1", "\"\xc3\xa2(\xc2\xa1\""},                 // a second byte that continues nothing
        {"\xe2\x82\x7f", "\"\xc3\xa2\xc2\x82\x7f\""},             // nor a third
        {"\xe2\x82\xc0", "\"\xc3\xa2\xc2\x82\xc3\x80\""},
        {"\xf0\x90\x80\x80\xf4\x8f\xbf\xbf", "\"\xf0\x90\x80\x80\xf4\x8f\xbf\xbf\""},
        {"\xf0\x8f\xbf\xbf", "\"\xc3\xb0\xc2\x8f\xc2\xbf\xc2\xbf\""},  // overlong four-byte
        {"\xf5\x80\x80\x80", "\"\xc3\xb5\xc2\x80\xc2\x80\xc2\x80\""},  // past U+10FFFF
    };
    for (const auto& row : rows) {
        std::string out;
        AppendJsonString(&out, row.bytes.data(), row.bytes.size());
        EXPECT_EQ(row.json, out) << row.bytes;
    }
}

TEST(CliJson, TerminalTextLeavesOutControls)
{
    static const struct {
        std::string bytes;
        std::string text;
    } rows[] = {
        {"\x02(Terrorist) bob : hi", "(Terrorist) bob : hi"},
        {"\x1b[31mred\x7f", "[31mred"},
        {"\xe9t\xe9", "\xc3\xa9t\xc3\xa9"},
        {"a\x9b" "b", "ab"},                  // a C1 control byte
        {"a\xc2\x9b" "b", "ab"},              // the same as UTF-8
        {"\xc2\xa0" "x", "\xc2\xa0x"},
        // Stray bytes 80 to 9F are C1 controls as well; A0 on are Latin-1 text.
        {"a\x80\x9f" "b\xa0", "ab\xc2\xa0"},
        {"\xc2\x80\xc2\x9f\xc3\xa9", "\xc3\xa9"},
        {"\xc2\x85\xe2\x82\xac", "\xe2\x82\xac"},
    };
    for (const auto& row : rows) {
        std::string out;
        AppendTerminalText(&out, row.bytes.data(), row.bytes.size());
        EXPECT_EQ(row.text, out) << row.bytes;
    }
}

TEST(CliJson, FloatsReadBackExactly)
{
    static const struct {
        float value;
        const char* json;
    } rows[] = {
        {0.0f, "0"}, {30.564575f, "30.564575"}, {0.1f, "0.1"}, {-2.5f, "-2.5"},
        {224.01216f, "224.01216"}, {1e20f, "1e+20"}, {INFINITY, "null"}, {NAN, "null"},
    };
    for (const auto& row : rows) {
        std::string out;
        AppendJsonFloat(&out, row.value);
        EXPECT_EQ(row.json, out);
    }
    std::string out;
    AppendJsonInteger(&out, -2147483648LL);
    AppendJsonInteger(&out, 4294967295LL);
    EXPECT_EQ("-21474836484294967295", out);
}

TEST(CliJson, ChatTimes)
{
    static const struct {
        float seconds;
        const char* text;
    } rows[] = {
        {0.0f, "0:00.0"}, {8.659813f, "0:08.7"}, {59.96f, "1:00.0"}, {61.25f, "1:01.3"},
        {3600.0f, "60:00.0"}, {-1.0f, "-"}, {NAN, "-"}, {INFINITY, "-"},
    };
    for (const auto& row : rows) {
        char text[32];
        FormatChatTime(text, sizeof text, row.seconds);
        EXPECT_STREQ(row.text, text) << row.seconds;
    }
}
