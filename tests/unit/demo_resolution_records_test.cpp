// RewriteResolutionRecords and IsSupportedResolution, with each rewrite
// checked against the literal reference as well.
#include "tests/unit/demo_test_support.h"

#include "demo/resolution_records.h"

static Bytes Record(unsigned width, unsigned height)
{
    Bytes record(14, 0);
    record[8] = (unsigned char)width;
    record[9] = (unsigned char)(width >> 8);
    record[12] = (unsigned char)height;
    record[13] = (unsigned char)(height >> 8);
    return record;
}

static Bytes Rewrite(Bytes bytes, unsigned oldWidth, unsigned oldHeight, unsigned newWidth,
                     unsigned newHeight)
{
    Bytes reference = bytes;
    RewriteResolutionRecords(bytes.data(), bytes.size(), oldWidth, oldHeight, newWidth, newHeight);
    ReferenceRewriteResolutionRecords(reference.data(), reference.size(), oldWidth, oldHeight,
                                      newWidth, newHeight);
    EXPECT_TRUE(bytes == reference) << "fast and reference rewrites differ";
    return bytes;
}

TEST(DemoRecordRewrite, RecordBytesChangeAndTheBytesAroundThemDoNot)
{
    Bytes bytes = {0x11, 0x22, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x03, 0, 0, 0x58, 0x02, 0x33, 0x44};
    Bytes expected = {0x11, 0x22, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x04, 0, 0, 0x00, 0x03, 0x33, 0x44};
    EXPECT_EQ(expected, Rewrite(bytes, 800, 600, 1024, 768));
}

TEST(DemoRecordRewrite, EveryRecordAnywhereIsRewritten)
{
    Bytes bytes = Neutral(9000);
    Put(bytes, 3, Record(800, 600));
    Put(bytes, 5001, Record(800, 600));
    Put(bytes, 7000, Record(640, 480));
    Bytes expected = bytes;
    Put(expected, 3, Record(1024, 768));
    Put(expected, 5001, Record(1024, 768));
    EXPECT_EQ(expected, Rewrite(bytes, 800, 600, 1024, 768));
    // No record of the old size: nothing changes.
    EXPECT_EQ(bytes, Rewrite(bytes, 1152, 864, 1024, 768));
    // The same size rewrites its records with the same bytes.
    EXPECT_EQ(bytes, Rewrite(bytes, 800, 600, 800, 600));
}

TEST(DemoRecordRewrite, LastStartIsSizeMinus15)
{
    // A record ending on the last byte stays; one byte more and it changes.
    Bytes exact = Record(800, 600);
    EXPECT_EQ(exact, Rewrite(exact, 800, 600, 1024, 768));
    Bytes tail = Neutral(40);
    Put(tail, 26, Record(800, 600));
    EXPECT_EQ(tail, Rewrite(tail, 800, 600, 1024, 768));

    Bytes fifteen = Record(800, 600);
    fifteen.push_back(0x55);
    Bytes expected = Record(1024, 768);
    expected.push_back(0x55);
    EXPECT_EQ(expected, Rewrite(fifteen, 800, 600, 1024, 768));
    for (size_t size = 0; size < 15; size++) {
        Bytes zeros(size, 0);
        EXPECT_EQ(zeros, Rewrite(zeros, 0, 0, 800, 600)) << size;
    }
}

TEST(DemoRecordRewrite, OnlyTheLow16BitsOfEachSizeCount)
{
    Bytes bytes = Neutral(100);
    Put(bytes, 10, Record(800, 600));
    Bytes expected = bytes;
    Put(expected, 10, Record(1024, 768));
    EXPECT_EQ(expected, Rewrite(bytes, 800 + 65536, 600, 1024, 768 + 3 * 65536));
}

// Each start compares the bytes as earlier replacements left them.
TEST(DemoRecordRewrite, LaterStartsSeeEarlierReplacements)
{
    // Zero records in a run of zeros: after a replacement at i the next
    // match is at i + 10, where the new width byte has left the window.
    Bytes zeros(40, 0);
    Bytes expected(40, 0);
    expected[9] = expected[19] = expected[29] = 0x01;
    EXPECT_EQ(expected, Rewrite(zeros, 0, 0, 256, 0));

    // The replacement at 0 clears byte 9 and so makes a record at 5 that
    // the original bytes did not hold.
    Bytes made(30, 0);
    made[9] = made[14] = 0x01;
    EXPECT_EQ(Bytes(30, 0), Rewrite(made, 256, 0, 0, 0));
}

TEST(DemoSupportedSizes, WidthAndHeightAreTestedSeparately)
{
    const unsigned widths[] = {1280, 1152, 1024, 800, 640, 512, 480, 400};
    const unsigned heights[] = {960, 864, 768, 600, 480, 384, 360, 300};
    for (unsigned width : widths) {
        for (unsigned height : heights)
            EXPECT_TRUE(IsSupportedResolution(width, height)) << width << "x" << height;
    }
    struct Row {
        unsigned width, height;
    } rejected[] = {{1000, 768}, {1024, 0}, {0, 768}, {0, 0}, {768, 1024}, {960, 1280},
                    {1024 + 65536, 768}, {1920, 1080}, {800, 601}};
    for (const Row& row : rejected)
        EXPECT_FALSE(IsSupportedResolution(row.width, row.height)) << row.width << "x" << row.height;
}
