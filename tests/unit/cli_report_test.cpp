// The report's pure parts: SHA-256 and base64 against published vectors, the
// one escaping function, links between pages, the round words, and pages that
// allow exactly their own style and script, hold no demo text as markup and
// stay small for a long demo.
#include <string.h>

#include <string>

#include "cli/html_escape.h"
#include "cli/report_page.h"
#include "cli/report_paths.h"
#include "cli/report_rounds.h"
#include "cli/report_template.h"
#include "cli/sha256.h"
#include "gtest/gtest.h"
#include "tests/browser/report_sample.h"

static std::string Hex(const unsigned char* bytes, size_t size)
{
    std::string text;
    for (size_t i = 0; i < size; i++)
        text += "0123456789abcdef"[bytes[i] >> 4] + std::string(1, "0123456789abcdef"[bytes[i] & 15]);
    return text;
}

TEST(ReportHashes, Sha256AndBase64Vectors)
{
    // Lengths around the one-block and two-block padding edges.
    static const struct {
        std::string input;
        const char* digest;
    } rows[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
        {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
        {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
        {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
        {std::string(1000, 'a'), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"},
    };
    for (const auto& row : rows) {
        unsigned char digest[SHA256_SIZE];
        Sha256((const unsigned char*)row.input.data(), row.input.size(), digest);
        EXPECT_EQ(row.digest, Hex(digest, sizeof digest)) << row.input.size() << " bytes";
    }
    static const char* const base64[][2] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xff\xfe\xfd", "//79"},
    };
    for (const auto& row : base64) {
        std::string out;
        AppendBase64(&out, (const unsigned char*)row[0], strlen(row[0]));
        EXPECT_EQ(row[1], out) << row[0];
    }
}

TEST(ReportEscaping, TextAndLinks)
{
    static const char* const text[][2] = {
        {"<img src=x onerror=alert(1)>", "&lt;img src=x onerror=alert(1)&gt;"},
        {"a&b \"c\" 'd'", "a&amp;b &quot;c&quot; &#39;d&#39;"},
        {"\x01red\x02 \x1b[31mx\x7f", "red [31mx"},          // colour marks and escapes left out
        {"caf\xc3\xa9 \xe9t\xe9", "caf\xc3\xa9 \xc3\xa9t\xc3\xa9"},  // UTF-8 kept, Latin-1 read as such
        {"&amp;", "&amp;amp;"},
    };
    for (const auto& row : text) {
        std::string out;
        AppendHtmlText(&out, row[0]);
        EXPECT_EQ(row[1], out) << row[0];
    }
    static const char* const links[][2] = {
        {"a b#c?.html", "a%20b%23c%3F.html"},
        {"sub/\"x\".html", "sub/%22x%22.html"},
        {"C:\\Demos\\x y.html", "file:///C:/Demos/x%20y.html"},
        {"/abs/\xc3\xa9.html", "/abs/%C3%A9.html"},
        {"javascript:alert(1)", "javascript%3Aalert%281%29"},
    };
    for (const auto& row : links) {
        std::string out;
        AppendHrefPath(&out, row[0]);
        EXPECT_EQ(row[1], out) << row[0];
    }
}

TEST(ReportPaths, PagesAndLinks)
{
    static const char* const pages[][3] = {
        {"demos/a.dem", "", "demos/a.html"},
        {"demos/a.DEM", "", "demos/a.html"},
        {"a.dem", "", "a.html"},
        {"notes.txt", "", "notes.txt.html"},
        {"demos/sub/a.dem", "out", "out/a.html"},
        {"C:\\demos\\a.dem", "D:\\out", "D:\\out\\a.html"},
    };
    for (const auto& row : pages)
        EXPECT_EQ(row[2], ReportPagePath(row[0], row[1])) << row[0];
    static const char* const links[][3] = {
        {"demos", "demos/a.html", "a.html"},
        {"demos", "demos/sub/a.html", "sub/a.html"},
        {"demos/", "./demos/a.html", "a.html"},
        {"demos/sub", "demos/a.html", "../a.html"},
        {"/tmp/x", "/tmp/y/a.html", "../y/a.html"},
        {"C:\\Demos", "c:\\Demos\\a.html", "a.html"},
        {"C:\\Demos", "D:\\a.html", "D:\\a.html"},        // another drive: no relative way
        {"/tmp/x", "y/a.html", "y/a.html"},               // absolute and relative
        {"../up", "a.html", "a.html"},                    // out of "..": unknown names
        {".", "a.html", "a.html"},
    };
    for (const auto& row : links)
        EXPECT_EQ(row[2], RelativeHref(row[0], row[1])) << row[0] << " to " << row[1];
}

TEST(ReportRounds, KillsBelongToTheRoundTheyEnd)
{
    DemoTimeline timeline;
    for (TimelineEventType type : {EVENT_KILL, EVENT_KILL, EVENT_ROUND_END, EVENT_KILL, EVENT_ROUND_END, EVENT_CHAT}) {
        TimelineEvent event;
        memset(&event, 0, sizeof event);
        event.type = type;
        event.time = 10.0f * (float)timeline.events.size();
        timeline.events.push_back(event);
    }
    std::vector<ReportRound> rounds;
    CollectRounds(timeline, &rounds);
    ASSERT_EQ(3u, rounds.size());
    EXPECT_EQ(2, rounds[0].kills);
    EXPECT_EQ(1, rounds[1].kills);
    EXPECT_EQ(0, rounds[2].kills);
    EXPECT_TRUE(rounds[0].ending && rounds[1].ending && !rounds[2].ending);
    EXPECT_EQ(20.0f, rounds[1].start);
    EXPECT_EQ(40.0f, rounds[1].end);
    timeline.events.pop_back();  // nothing after the last round end: no open round
    CollectRounds(timeline, &rounds);
    EXPECT_EQ(2u, rounds.size());
}

static std::string Between(const std::string& page, const char* open, const char* close)
{
    size_t start = page.find(open) + strlen(open);
    return page.substr(start, page.find(close, start) - start);
}

static std::string HashSource(const std::string& text)
{
    unsigned char digest[SHA256_SIZE];
    Sha256((const unsigned char*)text.data(), text.size(), digest);
    std::string source = "'sha256-";
    AppendBase64(&source, digest, sizeof digest);
    return source + "'";
}

TEST(ReportPage, OwnStyleAndScriptOnlyAndNoDemoTextAsMarkup)
{
    DemoStructure structure;
    DemoTimeline timeline;
    BuildSampleDemo(30, &structure, &timeline);
    ReportDemo demo = {"x/<b>.dem", "", &structure, &timeline};
    std::string page, rows;
    BuildReportPage(demo, &page);
    std::string policy = Between(page, "Content-Security-Policy\" content=\"", "\"");
    EXPECT_NE(std::string::npos, policy.find("default-src 'none'"));
    EXPECT_NE(std::string::npos, policy.find("style-src " + HashSource(Between(page, "<style>", "</style>"))));
    EXPECT_NE(std::string::npos, policy.find("script-src " + HashSource(Between(page, "<script>", "</script>"))));
    // One style and one script, and no attribute that would need another hash.
    EXPECT_EQ(page.find("<style>"), page.rfind("<style>"));
    EXPECT_EQ(page.find("<script>"), page.rfind("<script>"));
    EXPECT_EQ(std::string::npos, page.find(" style="));
    EXPECT_TRUE(IsOwnReport((const unsigned char*)page.data(), page.size()));
    EXPECT_FALSE(IsOwnReport((const unsigned char*)page.data(), 40));

    AppendIndexRow(demo, "a\"><script>.html", &rows);
    AppendUnreadIndexRow("<i>.dem", "<b>bad</b>", &rows);
    for (const std::string& text : {page, rows}) {
        for (const char* markup : {"<img", "<b>", "<i>", "<svg/", "</td><script>", "\"quoted\""})
            EXPECT_EQ(std::string::npos, text.find(markup)) << markup;
    }
    EXPECT_NE(std::string::npos, page.find("&lt;img src=x onerror=alert(1)&gt;"));
    // Every round-end key the game sends, in plain words.
    EXPECT_EQ(std::string::npos, page.find("\">#"));
    EXPECT_NE(std::string::npos, page.find(">Escaping Terrorists neutralized</td>"));
}

TEST(ReportPage, ThirtyMinutesStayUnderTwoMebibytes)
{
    DemoStructure structure;
    DemoTimeline timeline;
    BuildSampleDemo(30, &structure, &timeline);
    ASSERT_EQ(180000u, timeline.recorderPath.size());  // drawn whole, the path alone would pass 2 MiB
    ReportDemo demo = {"long.dem", "", &structure, &timeline};
    std::string page;
    BuildReportPage(demo, &page);
    // Half the 2 MiB allowed, leaving room for a busier server's kills and chat.
    EXPECT_LT(page.size(), 1u << 20);
    // Every round is there for the selector, and every kill in the feed.
    EXPECT_NE(std::string::npos, page.find("<g data-round=\"15\">"));
    EXPECT_NE(std::string::npos, page.find("<option value=\"15\">"));
    size_t kills = 0;
    for (size_t at = page.find("title=\"headshot\""); at != std::string::npos; at = page.find("title=\"headshot\"", at + 1))
        kills++;
    EXPECT_EQ(45u, kills);
}
