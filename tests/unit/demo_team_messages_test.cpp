// BlankTeamMessages, each run checked against the literal reference too.
#include "tests/unit/demo_test_support.h"

#include "demo/team_messages.h"

static unsigned int Blank(Bytes& bytes)
{
    Bytes reference = bytes;
    unsigned int count = BlankTeamMessages(bytes.data(), bytes.size());
    unsigned int referenceCount = ReferenceBlankTeamMessages(reference.data(), reference.size());
    EXPECT_EQ(referenceCount, count) << "fast and reference counts differ";
    EXPECT_TRUE(bytes == reference) << "fast and reference bytes differ";
    return count;
}

// A message: id, length L, two payload bytes, and L - 2 text bytes.
static Bytes Message(unsigned char id, const std::string& text)
{
    return Concat({{id, (unsigned char)(text.size() + 2), 0x01, 0x02}, Bytes(text.begin(), text.end())});
}

static Bytes Blanked(const Bytes& message)
{
    Bytes blanked(message.size(), 0);
    blanked[0] = 0x4B;
    blanked[1] = message[1];
    blanked[2] = 0x02;
    return blanked;
}

TEST(DemoTeamMessages, TeamTextsAreBlankedInPlace)
{
    Bytes bytes = {0x4A, 0x08, 0x01, 0x02, 0x28, 0x54, 0x65, 0x72, 0x21, 0x00};
    EXPECT_EQ(1u, Blank(bytes));
    EXPECT_EQ((Bytes{0x4B, 0x08, 0x02, 0x00, 0, 0, 0, 0, 0, 0}), bytes);

    struct Row {
        unsigned char id;
        std::string text;
        bool blanked;
    } rows[] = {
        {0x4C, "(Terrorist) go", true},
        {0x4A, "(Counter-Terrorist) hold", true},
        {0x4C, "*DEAD*(CT) gg", true},
        {0x4C, "*DEAD*anything", true},
        {0x4A, "(Cou", true},
        {0x4B, "(Terrorist) go", false},
        {0x4D, "(Terrorist) go", false},
        {0x4A, "(All) hi", false},
        {0x4A, "*DEA", true},
        {0x4A, "*DEa", false},
        {0x4A, "(Te", false},     // L = 5: three text bytes
        {0x4A, "Terrorist", false},
    };
    for (const Row& row : rows) {
        Bytes message = Message(row.id, row.text);
        Bytes bytes = Concat({Neutral(5), message, Neutral(5)});
        Bytes expected = bytes;
        if (row.blanked)
            Put(expected, 5, Blanked(message));
        EXPECT_EQ(row.blanked ? 1u : 0u, Blank(bytes)) << row.text;
        EXPECT_EQ(expected, bytes) << row.text;
    }
}

// A failed candidate hides the four bytes after its id; a bad length hides none.
TEST(DemoTeamMessages, SkipDistances)
{
    // The candidate at 0 is not team chat ("(A(T"), so the team message
    // whose id is at 2 is never examined.
    Bytes hidden = {0x4A, 0x0A, 0x4C, 0x08, '(', 'A', '(', 'T', 'e', 'r', 0, 0, 0, 0, 0};
    Bytes unchanged = hidden;
    EXPECT_EQ(0u, Blank(hidden));
    EXPECT_EQ(unchanged, hidden);

    // The same at 5 bytes on is examined and blanked.
    Bytes next = {0x4A, 0x08, 0x01, 0x02, '(', 0x4C, 0x08, 0x01, 0x02, '(', 'T', 'e', 'r', '!', 0};
    EXPECT_EQ(1u, Blank(next));
    EXPECT_EQ((Bytes{0x4A, 0x08, 0x01, 0x02, '(', 0x4B, 0x08, 0x02, 0, 0, 0, 0, 0, 0, 0}), next);

    // Lengths 0 and 2 move on by one byte, onto a message right behind.
    for (unsigned char length : {0, 2}) {
        Bytes message = Message(length == 0 ? 0x4C : 0x4A, "(Ter!");
        Bytes bytes = Concat({{0x4A, length}, message});
        Bytes expected = Concat({{0x4A, length}, Blanked(message)});
        EXPECT_EQ(1u, Blank(bytes)) << (int)length;
        EXPECT_EQ(expected, bytes) << (int)length;
    }
}

// A run of J bytes: each is an id whose length (74) fits and whose text does
// not start with "(" or "*", so the scan crosses the run five bytes at a
// time and meets a message behind it only when the run's length is a
// multiple of five.
TEST(DemoTeamMessages, RunsOfIdBytesKeepTheirPhase)
{
    Bytes message = Message(0x4C, "(Terrorist) go");
    for (size_t run = 0; run < 40; run++) {
        Bytes bytes = Concat({Bytes(run, 0x4A), message, Neutral(100)});
        EXPECT_EQ(run % 5 == 0 ? 1u : 0u, Blank(bytes)) << run;
    }
}

TEST(DemoTeamMessages, MessagesMustEndInsideTheDemo)
{
    Bytes message = Message(0x4C, "(Terrorist) go");
    Bytes exact = Concat({Neutral(3), message});
    Bytes expected = Concat({Neutral(3), Blanked(message)});
    EXPECT_EQ(1u, Blank(exact));
    EXPECT_EQ(expected, exact);

    Bytes cut = Concat({Neutral(3), Bytes(message.begin(), message.end() - 1)});
    Bytes unchanged = cut;
    EXPECT_EQ(0u, Blank(cut));
    EXPECT_EQ(unchanged, cut);

    Bytes lastByte = {0x7E, 0x7E, 0x4A};
    EXPECT_EQ(0u, Blank(lastByte));
    Bytes empty;
    EXPECT_EQ(0u, Blank(empty));
}

TEST(DemoTeamMessages, BackToBackMessagesAreAllBlanked)
{
    Bytes first = Message(0x4A, "(Terrorist) a");
    Bytes second = Message(0x4C, "*DEAD* b");
    Bytes bytes = Concat({first, second, {0x7E}});
    Bytes expected = Concat({Blanked(first), Blanked(second), {0x7E}});
    EXPECT_EQ(2u, Blank(bytes));
    EXPECT_EQ(expected, bytes);

    // A run of many, as in a long match, across vector blocks.
    Bytes many;
    for (int i = 0; i < 50; i++) {
        many = Concat({many, Message(i % 2 ? 0x4A : 0x4C, "(Cou" + std::string(i % 7, 'x'))});
    }
    EXPECT_EQ(50u, Blank(many));
}
