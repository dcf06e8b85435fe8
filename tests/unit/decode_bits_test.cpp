// The bit reader and writer of net messages, and delta descriptions applied
// and written over raw values. Inputs are packed here by a tiny packer of
// its own, so the reader is not checked only against its own writer.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "decode/bits.h"
#include "decode/delta.h"

typedef std::vector<unsigned char> Bytes;

struct Piece {
    uint32_t value;
    int bits;
};

// Packs values lowest bit first, as the engine does.
static Bytes Pack(std::initializer_list<Piece> pieces)
{
    Bytes out;
    size_t pos = 0;
    for (const Piece& piece : pieces) {
        for (int i = 0; i < piece.bits; i++, pos++) {
            if (out.size() <= pos / 8)
                out.push_back(0);
            out[pos / 8] |= (unsigned char)(((piece.value >> i) & 1) << (pos % 8));
        }
    }
    return out;
}

static BitReader Reader(const Bytes& bytes)
{
    BitReader reader;
    StartBitReader(&reader, bytes.data(), bytes.size(), 0);
    return reader;
}
static BitReader Reader(Bytes&&) = delete;   // the reader keeps a pointer into the bytes

TEST(DecodeBits, ValuesComeLowestBitFirst)
{
    struct Row {
        Bytes bytes;
        int skip, count;
        uint32_t expected;
    } rows[] = {
        {{0xB5}, 0, 3, 5},
        {{0xB5}, 3, 5, 0x16},
        {{0x34, 0x12}, 0, 16, 0x1234},
        {{0x34, 0x12}, 4, 8, 0x23},
        {{0x78, 0x56, 0x34, 0x12, 0xAB}, 0, 32, 0x12345678},
        {{0xF0, 0x78, 0x56, 0x34, 0x12, 0xAB}, 4, 32, 0x2345678F},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 7, 32, 0xFFFFFFFF},
        {{0x01}, 0, 0, 0},
    };
    for (const Row& row : rows) {
        BitReader reader = Reader(row.bytes);
        ReadBits(&reader, row.skip);
        EXPECT_EQ(row.expected, PeekBits(&reader, row.count));
        EXPECT_EQ(row.expected, ReadBits(&reader, row.count));
        EXPECT_TRUE(reader.ok);
        EXPECT_EQ((size_t)(row.skip + row.count), reader.pos);
    }
}

TEST(DecodeBits, SignedValuesAreSignThenMagnitude)
{
    struct Row {
        Piece sign, magnitude;
        int count;
        int32_t expected;
    } rows[] = {
        {{0, 1}, {3, 4}, 5, 3},
        {{1, 1}, {3, 4}, 5, -3},
        {{1, 1}, {0, 4}, 5, 0},                 // -0 reads as 0
        {{1, 1}, {0x7FFFFFFF, 31}, 32, -0x7FFFFFFF},
        {{1, 1}, {0, 0}, 1, 0},
    };
    for (const Row& row : rows) {
        Bytes bits = Pack({{1, 3}, row.sign, row.magnitude});
        BitReader reader = Reader(bits);
        ReadBits(&reader, 3);
        EXPECT_EQ(row.expected, ReadSignedBits(&reader, row.count));
        EXPECT_EQ((size_t)(3 + row.count), reader.pos);
    }
}

TEST(DecodeBits, CoordinatesAreWholeUnitsAndEighths)
{
    struct Row {
        Bytes bits;
        float expected;
        size_t length;
    } rows[] = {
        {Pack({{0, 1}, {0, 1}}), 0.0f, 2},
        {Pack({{1, 1}, {1, 1}, {1, 1}, {100, 12}, {4, 3}}), -100.5f, 18},
        {Pack({{1, 1}, {0, 1}, {0, 1}, {4095, 12}}), 4095.0f, 15},
        {Pack({{0, 1}, {1, 1}, {0, 1}, {7, 3}}), 0.875f, 6},
        {Pack({{0, 1}, {1, 1}, {1, 1}, {1, 3}}), -0.125f, 6},
    };
    for (const Row& row : rows) {
        BitReader reader = Reader(row.bits);
        EXPECT_EQ(row.expected, ReadBitCoord(&reader));
        EXPECT_EQ(row.length, reader.pos);
        // The writer flags only non-zero parts: these rows are its own form.
        Bytes written;
        BitWriter writer;
        StartBitWriter(&writer, &written);
        WriteBitCoord(&writer, row.expected);
        EXPECT_EQ(row.length, writer.pos);
        EndBitWriting(&writer);
        EXPECT_EQ(row.bits, written);
    }
    // A vector: x and z flagged, y left 0.
    Bytes vector = Pack({{5, 3}, {1, 1}, {0, 1}, {0, 1}, {3, 12}, {0, 1}, {1, 1}, {0, 1}, {2, 3}});
    BitReader reader = Reader(vector);
    float v[3];
    ReadBitVector(&reader, v);
    EXPECT_EQ(3.0f, v[0]);
    EXPECT_EQ(0.0f, v[1]);
    EXPECT_EQ(0.25f, v[2]);
    // Angles are fractions of a turn.
    Bytes angles = Pack({{64, 8}, {0x8000, 16}});
    BitReader angle = Reader(angles);
    EXPECT_EQ(90.0f, ReadBitAngle(&angle, 8));
    EXPECT_EQ(180.0f, ReadBitAngle(&angle, 16));
}

TEST(DecodeBits, StringsStartAtAnyBitAndReportTruncation)
{
    Bytes bits = Pack({{5, 3}, {'h', 8}, {'i', 8}, {'!', 8}, {0, 8}, {0x2A, 8}});
    struct Row {
        size_t size;
        const char* expected;
        bool whole;
    } rows[] = {{16, "hi!", true}, {4, "hi!", true}, {3, "hi", false}, {1, "", false}};
    for (const Row& row : rows) {
        BitReader reader = Reader(bits);
        ReadBits(&reader, 3);
        char text[16];
        EXPECT_EQ(row.whole, ReadBitString(&reader, text, row.size));
        EXPECT_STREQ(row.expected, text);
        // Read through the NUL whatever the buffer took.
        EXPECT_EQ(0x2Au, ReadBits(&reader, 8));
        EXPECT_TRUE(reader.ok);
    }
    // No NUL before the end: cut, and the reader fails.
    Bytes unended = Pack({{'a', 8}, {'b', 8}});
    BitReader reader = Reader(unended);
    char text[8];
    EXPECT_FALSE(ReadBitString(&reader, text, sizeof text));
    EXPECT_FALSE(reader.ok);
}

TEST(DecodeBits, ReadingPastTheEndFailsAndStaysFailed)
{
    Bytes bytes = {0xFF, 0xFF};
    BitReader reader = Reader(bytes);
    EXPECT_EQ(0x7FFFu, ReadBits(&reader, 15));
    EXPECT_EQ(0u, ReadBits(&reader, 2));           // one bit left: a 2-bit read fails
    EXPECT_FALSE(reader.ok);
    EXPECT_EQ(0u, ReadBits(&reader, 1));           // nothing more, even the bit that was there
    EXPECT_EQ(0.0f, ReadBitCoord(&reader));
    unsigned char raw[3] = {1, 2, 3};
    ReadBitBytes(&reader, raw, sizeof raw);
    EXPECT_EQ(0, raw[0] | raw[1] | raw[2]);
    EXPECT_EQ(16u, reader.pos);
    EXPECT_EQ(2u, EndBitReading(&reader, 0));

    // Reads near the end of a buffer never look past it.
    Bytes one = {0x80};
    BitReader last = Reader(one);
    EXPECT_EQ(1u, (ReadBits(&last, 7), ReadBits(&last, 1)));
    EXPECT_TRUE(last.ok);
    BitReader start;
    StartBitReader(&start, bytes.data(), bytes.size(), 3);
    EXPECT_FALSE(start.ok);
}

TEST(DecodeBits, BitPartsTakeAtLeastOneByteAndEndOnAByte)
{
    Bytes bytes(8, 0);
    struct Row {
        size_t start;
        int bits;
        size_t end;
    } rows[] = {{2, 0, 3}, {2, 1, 3}, {2, 8, 3}, {2, 9, 4}, {0, 64, 8}};
    for (const Row& row : rows) {
        BitReader reader;
        StartBitReader(&reader, bytes.data(), bytes.size(), row.start);
        for (int i = 0; i < row.bits; i++)
            ReadBits(&reader, 1);
        EXPECT_EQ(row.end, EndBitReading(&reader, row.start));
    }
    Bytes out = {0xAA};
    BitWriter writer;
    StartBitWriter(&writer, &out);
    EndBitWriting(&writer);
    EXPECT_EQ((Bytes{0xAA, 0x00}), out);
    StartBitWriter(&writer, &out);
    WriteBits(&writer, 1, 1);
    WriteBits(&writer, 0x1FF, 8);                  // too wide: all ones
    WriteSignedBits(&writer, -100, 5);             // clamped to -15
    EndBitWriting(&writer);
    EXPECT_EQ((Bytes{0xAA, 0x00, 0xFF, 0x3F}), out);
}

// A description of every kind of field, as delta.lst would give it.
static DeltaDescription TestDescription()
{
    DeltaDescription d;
    memset(&d, 0, sizeof d);
    strcpy(d.name, "test_t");
    struct Row {
        const char* name;
        uint32_t type;
        int bits;
        double pre, post;
    } rows[] = {
        {"a", DT_INTEGER, 8, 1, 1},
        {"origin", DT_SIGNED | DT_FLOAT, 21, 128, 1},
        {"angle", DT_ANGLE, 16, 1, 1},
        {"animtime", DT_TIMEWINDOW_8, 8, 100, 1},
        {"text", DT_STRING, 1, 1, 1},
        {"big", DT_INTEGER, 32, 1, 1},
        {"scaled", DT_FLOAT, 10, 0.5, 3},
        {"s", DT_SIGNED | DT_SHORT, 16, 1, 1},
        {"b", DT_BYTE, 8, 1, 1},
        {"ninth", DT_INTEGER, 4, 1, 1},
    };
    for (const Row& row : rows)
        EXPECT_TRUE(MakeDeltaField(&d.fields[d.fieldCount++], row.name, row.type, row.bits, row.pre, row.post));
    return d;
}

TEST(DecodeDelta, MaskBytesFollowTheLastSentField)
{
    DeltaDescription d = TestDescription();
    DeltaValues values;
    memset(&values, 0, sizeof values);
    values.raw[0] = 0x5A;
    values.raw[9] = 0xC;
    struct Row {
        uint64_t sent;
        Bytes bits;
    } rows[] = {
        {0, Pack({{0, 3}})},
        {1, Pack({{1, 3}, {1, 8}, {0x5A, 8}})},
        {1ull << 9, Pack({{2, 3}, {0, 8}, {2, 8}, {0xC, 4}})},
        {(1ull << 9) | 1 | (1ull << 40), Pack({{2, 3}, {1, 8}, {2, 8}, {0x5A, 8}, {0xC, 4}})},  // no field 40
    };
    for (const Row& row : rows) {
        Bytes written;
        BitWriter writer;
        StartBitWriter(&writer, &written);
        WriteDelta(&writer, d, values, row.sent, NULL);
        EndBitWriting(&writer);
        EXPECT_EQ(row.bits, written);

        BitReader reader = Reader(row.bits);
        DeltaValues read;
        uint64_t sent = 0;
        EXPECT_TRUE(ReadDelta(&reader, d, NULL, &read, NULL, &sent));
        EXPECT_EQ(row.sent & ((1ull << 10) - 1), sent);
    }
}

TEST(DecodeDelta, UnsentFieldsComeFromTheOldStateAndRawValuesRoundTrip)
{
    DeltaDescription d = TestDescription();
    DeltaStrings strings;
    ClearDeltaStrings(&strings);
    DeltaValues from, to;
    memset(&from, 0, sizeof from);
    int32_t raws[10] = {200, -12864, 0xC000, -7, AddDeltaString(&strings, "\\slj\\1", 6), (int32_t)0xFFFFFFFF, 1023,
                        -32767, 255, 15};
    memcpy(to.raw, raws, sizeof raws);
    for (int i = 0; i < 10; i++)
        from.raw[i] = i + 1;
    from.raw[4] = 0;
    uint64_t sentFields[] = {0, 0x3FF, 0x155, 0x2AA, 1ull << 4};
    for (uint64_t sentMask : sentFields) {
        Bytes written;
        BitWriter writer;
        StartBitWriter(&writer, &written);
        WriteDelta(&writer, d, to, sentMask, &strings);
        EndBitWriting(&writer);

        BitReader reader = Reader(written);
        DeltaValues read;
        uint64_t sent = 0;
        ASSERT_TRUE(ReadDelta(&reader, d, &from, &read, &strings, &sent));
        EXPECT_EQ(sentMask, sent);
        for (int i = 0; i < 10; i++)
            EXPECT_EQ(sentMask >> i & 1 ? raws[i] : from.raw[i], read.raw[i]) << "field " << i << " mask " << sentMask;
        EXPECT_EQ(written.size(), EndBitReading(&reader, 0));
    }
    EXPECT_STREQ("\\slj\\1", DeltaString(strings, to.raw[4]));
    EXPECT_EQ(to.raw[4], AddDeltaString(&strings, "\\slj\\1", 6));  // one id per text
    EXPECT_EQ(0x3FFu, ChangedDeltaFields(d, NULL, to));
    EXPECT_EQ(0u, ChangedDeltaFields(d, &to, to));

    // A cut delta fails.
    Bytes cut = Pack({{1, 3}, {1, 8}});
    BitReader reader = Reader(cut);
    uint64_t sent;
    EXPECT_FALSE(ReadDelta(&reader, d, NULL, &to, &strings, &sent));
}

TEST(DecodeDelta, RawValuesMeanWhatTheMultipliersSay)
{
    DeltaDescription d = TestDescription();
    struct Row {
        int field;
        int32_t raw;
        double time, expected;
    } rows[] = {
        {0, 200, 0, 200},
        {1, 12864, 0, 100.5},
        {1, -12864, 0, -100.5},
        {2, 0x4000, 0, 90},
        {3, 10, 5, 4.9},
        {5, -1, 0, 4294967295.0},        // unsigned 32 bits
        {6, 1023, 0, 1023 / 0.5 * 3},
        {7, -32767, 0, -32767},
    };
    for (const Row& row : rows) {
        EXPECT_NEAR(row.expected, DeltaFieldValue(d.fields[row.field], row.raw, row.time), 1e-6) << row.field;
        if (row.field != 3 && row.field != 6) {
            EXPECT_EQ(row.raw, DeltaRawValue(d.fields[row.field], row.expected)) << row.field;
        }
    }
    EXPECT_EQ(512000u, d.fields[1].premultiplyRaw);
}

TEST(DecodeDelta, DescriptionsReadBackAsWritten)
{
    DeltaDescription d = TestDescription();
    Bytes written;
    BitWriter writer;
    StartBitWriter(&writer, &written);
    WriteDeltaDescriptionFields(&writer, d);
    EndBitWriting(&writer);

    // The first field by hand: 16 bits count, then its meta delta: all but
    // fieldOffset sent (mask 0x7B), type 8, "a", size 1, bits 8, 4000, 4000.
    Bytes head = Pack({{10, 16}, {1, 3}, {0x7B, 8}, {8, 32}, {'a', 8}, {0, 8}, {1, 8}, {8, 8}, {4000, 32}, {4000, 32}});
    ASSERT_GE(written.size(), head.size());
    head.pop_back();   // the last byte is partial
    EXPECT_EQ(head, Bytes(written.begin(), written.begin() + (long)head.size()));

    BitReader reader = Reader(written);
    DeltaDescription read;
    memset(&read, 0, sizeof read);
    strcpy(read.name, "test_t");
    char why[160] = "";
    ASSERT_TRUE(ReadDeltaDescriptionFields(&reader, &read, why, sizeof why)) << why;
    ASSERT_EQ(d.fieldCount, read.fieldCount);
    for (int i = 0; i < d.fieldCount; i++) {
        const DeltaField& a = d.fields[i];
        const DeltaField& b = read.fields[i];
        EXPECT_STREQ(a.name, b.name);
        EXPECT_EQ(a.type, b.type);
        EXPECT_EQ(a.bits, b.bits);
        EXPECT_EQ(a.premultiplyRaw, b.premultiplyRaw);
        EXPECT_EQ(a.postmultiplyRaw, b.postmultiplyRaw);
        EXPECT_EQ(a.metaSent, b.metaSent);
        EXPECT_EQ(a.read, b.read);
        EXPECT_EQ(a.readBits, b.readBits);
    }
    EXPECT_EQ(3, FindDeltaField(read, "animtime"));
    EXPECT_EQ(-1, FindDeltaField(read, "missing"));

    // Descriptions no decoder can use are refused with a reason.
    Bytes tooMany = Pack({{57, 16}});
    BitReader many = Reader(tooMany);
    EXPECT_FALSE(ReadDeltaDescriptionFields(&many, &read, why, sizeof why));
    EXPECT_NE(nullptr, strstr(why, "57 fields"));
    Bytes wide = Pack({{1, 16}, {1, 3}, {0x11, 8}, {8, 32}, {33, 8}});
    BitReader widths = Reader(wide);
    EXPECT_FALSE(ReadDeltaDescriptionFields(&widths, &read, why, sizeof why));
}

// Walking a delta a mask byte at a time ends where reading it does, and
// keeps exactly the wanted fields, strings or not in the way.
TEST(DecodeDelta, WalkedDeltasEndWhereReadOnesDo)
{
    DeltaDescription d = TestDescription();
    DeltaWidths widths;
    MeasureDeltaFields(d, &widths);
    EXPECT_EQ(8 + 21, widths.bits[0][0x03]);
    EXPECT_EQ(DELTA_GROUP_TEXT | 32, widths.bits[0][0x30]);
    EXPECT_EQ(8 + 4, widths.bits[1][0x03]);
    EXPECT_EQ(0, widths.bits[1][0x04]);   // past the last field
    DeltaStrings strings;
    ClearDeltaStrings(&strings);
    DeltaValues values, from;
    for (int i = 0; i < DELTA_MAX_FIELDS; i++) {
        values.raw[i] = i + 3;
        from.raw[i] = 100 + i;
    }
    values.raw[4] = AddDeltaString(&strings, "text", 4);
    uint64_t rows[][2] = {{0x3FF, 0x002}, {0x3FF, 0x200}, {0x011, 0x202}, {0x200, 0x003}, {0, 0x3FF}};
    for (const auto& row : rows) {
        uint64_t sentMask = row[0], wanted = row[1];
        Bytes written;
        BitWriter writer;
        StartBitWriter(&writer, &written);
        WriteDelta(&writer, d, values, sentMask, &strings);
        WriteBits(&writer, 0x5, 3);
        EndBitWriting(&writer);
        BitReader reader = Reader(written);
        DeltaValues to;
        for (int i = 0; i < DELTA_MAX_FIELDS; i++)
            to.raw[i] = -1;
        uint64_t sent;
        ASSERT_TRUE(ReadDeltaFields(&reader, d, widths, wanted, &from, &to, &sent));
        EXPECT_EQ(sentMask, sent);
        EXPECT_EQ(0x5u, ReadBits(&reader, 3));
        for (int i = 0; i < d.fieldCount; i++) {
            int32_t expected = !(wanted >> i & 1) ? -1 : sentMask >> i & 1 ? values.raw[i] : from.raw[i];
            EXPECT_EQ(expected, to.raw[i]) << "field " << i;
        }
        BitReader skip = Reader(written);
        ASSERT_TRUE(SkipDelta(&skip, d, &sent));
        EXPECT_EQ(0x5u, ReadBits(&skip, 3));
    }
}
