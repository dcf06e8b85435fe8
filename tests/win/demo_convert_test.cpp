#include <windows.h>

#include <string.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "demo/convert.h"
#include "tests/support/test_files.h"
#include "tests/win/support/demo_test_support.h"
#include "tests/win/support/expected_boxes.h"
#include "tests/win/support/recorded_messages.h"
#include "tools/sample_demo.h"

static const char rejectionText[] =
    "Wrong resolution. Available resolutions are:\n1280x960\n1152x864\n1024x768\n800x600\n"
    "640x480\n512x384\n480x360\n400x300";

static std::vector<unsigned char> Record(unsigned width, unsigned height)
{
    std::vector<unsigned char> record(14, 0);
    record[8] = (unsigned char)width;
    record[9] = (unsigned char)(width >> 8);
    record[12] = (unsigned char)height;
    record[13] = (unsigned char)(height >> 8);
    return record;
}

// Start offsets of the record, up to the last start the converter examines.
static std::vector<size_t> RecordStarts(const std::vector<unsigned char>& bytes,
                                        const std::vector<unsigned char>& record)
{
    std::vector<size_t> starts;
    for (size_t i = 0; i + 15 <= bytes.size(); i++) {
        if (memcmp(&bytes[i], record.data(), record.size()) == 0)
            starts.push_back(i);
    }
    return starts;
}

TEST(DemoConvert, UnsupportedNewSizeIsRejectedBeforeAsking)
{
    const unsigned sizes[][4] = {
        {800, 600, 1000, 768},
        {800, 600, 1024, 0},       // an empty height field reads 0
        {800, 600, 768, 1024},
        {0, 0, 1000, 768},         // the rejection comes before the unknown-size refusal
    };
    DemoScene scene = OpenDemoScene("convert-reject", "demo.dem");
    ASSERT_TRUE(WriteSampleDemo(scene.demo.c_str(), SpecOfSize(800, 600)));
    std::string before = DemoFileState(scene.demo);
    TakeRecordedBoxes();

    for (const auto& size : sizes) {
        ConvertDemoResolution(scene.mainDialog, size[0], size[1], size[2], size[3]);
        ExpectOnlyNotice(rejectionText);
    }
    EXPECT_EQ(before, DemoFileState(scene.demo));
    CloseDemoScene(scene);
}

// The record of 0 x 0 is fourteen zero bytes, which every run of zeros in a
// demo matches: the converter must not even open the file.
TEST(DemoConvert, UnknownCurrentSizeIsRefusedWithoutOpening)
{
    const unsigned sizes[][2] = {{0, 0}, {0, 600}, {800, 0}};
    DemoScene scene = OpenDemoScene("convert-unknown", "demo.dem");
    ASSERT_TRUE(WriteSampleDemo(scene.demo.c_str(), SpecOfSize(800, 600)));
    std::string before = DemoFileState(scene.demo);
    // Any open would fail and say so.
    HANDLE holder = CreateFileA(scene.demo.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    TakeRecordedBoxes();

    for (const auto& size : sizes) {
        ConvertDemoResolution(scene.mainDialog, size[0], size[1], 1024, 768);
        ExpectOnlyNotice("The demo's current resolution is unknown, so it cannot be converted.");
    }
    CloseHandle(holder);
    EXPECT_EQ(before, DemoFileState(scene.demo));
    CloseDemoScene(scene);
}

static void Convert800x600To1024x768(HWND mainDialog)
{
    ConvertDemoResolution(mainDialog, 800, 600, 1024, 768);
}

TEST(DemoConvert, CancelLeavesTheFileUnopened)
{
    ExpectCancelLeavesTheFileUnopened(Convert800x600To1024x768, "Convert resolution in demo?",
                                      BuildSampleDemo(SpecOfSize(800, 600)), "convert-cancel");
}

TEST(DemoConvert, RewritesExactlyTheRecordBytes)
{
    const unsigned newSizes[][2] = {{1024, 768}, {400, 960}, {800, 600}};
    DemoScene scene = OpenDemoScene("convert-rewrite", "demo.dem");

    for (const auto& size : newSizes) {
        std::vector<unsigned char> bytes = BuildSampleDemo(SpecOfSize(800, 600));
        // A second record right at the end is not a match: its last byte is
        // the file's last byte.
        std::vector<unsigned char> last = Record(800, 600);
        bytes.insert(bytes.end(), last.begin(), last.end());
        ASSERT_TRUE(WriteFileBytes(scene.demo, bytes));
        std::vector<size_t> starts = RecordStarts(bytes, Record(800, 600));
        ASSERT_EQ(1u, starts.size());
        std::vector<unsigned char> expected = bytes;
        std::vector<unsigned char> record = Record(size[0], size[1]);
        std::copy(record.begin(), record.end(), expected.begin() + starts[0]);
        TakeRecordedBoxes();
        // The answer to "Demo converted." changes nothing.
        ScriptAnswers({IDOK, IDCANCEL});

        ConvertDemoResolution(scene.mainDialog, 800, 600, size[0], size[1]);

        std::vector<RecordedBox> boxes = TakeRecordedBoxes();
        ASSERT_EQ(2u, boxes.size());
        ExpectBox(boxes[0], "Convert resolution in demo?", "Flickbox", QUESTION);
        ExpectBox(boxes[1], "Demo converted.", "Flickbox", QUESTION);
        EXPECT_TRUE(expected == ReadFileBytes(scene.demo));
    }
    CloseDemoScene(scene);
}

TEST(DemoConvert, DemoWithoutRecordIsWrittenBackUnchanged)
{
    DemoScene scene = OpenDemoScene("convert-norecord", "demo.dem");
    ASSERT_TRUE(WriteSampleDemo(scene.demo.c_str(), SpecOfSize(640, 480)));
    std::vector<unsigned char> before = ReadFileBytes(scene.demo);
    TakeRecordedBoxes();

    ConvertDemoResolution(scene.mainDialog, 800, 600, 1024, 768);

    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(2u, boxes.size());
    ExpectBox(boxes[1], "Demo converted.", "Flickbox", QUESTION);
    EXPECT_TRUE(before == ReadFileBytes(scene.demo));
    CloseDemoScene(scene);
}

TEST(DemoConvertRealFiles, ChangesOnlyTheRecords)
{
    REQUIRE_CORPUS_DEMO("khanghugo__dem__weapon.dem");
    DemoScene scene = OpenDemoScene("convert-real", "weapon.dem");
    ASSERT_TRUE(CopyRealDemo("khanghugo__dem__weapon.dem", scene.demo));
    std::vector<unsigned char> before = ReadFileBytes(scene.demo);
    std::vector<size_t> starts = RecordStarts(before, Record(1024, 768));
    ASSERT_EQ(736u, starts.size());
    TakeRecordedBoxes();

    ConvertDemoResolution(scene.mainDialog, 1024, 768, 800, 600);

    std::vector<unsigned char> after = ReadFileBytes(scene.demo);
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ(starts, RecordStarts(after, Record(800, 600)));
    EXPECT_TRUE(RecordStarts(after, Record(1024, 768)).empty());
    std::vector<bool> inRecord(before.size(), false);
    for (size_t start : starts)
        std::fill(inRecord.begin() + start, inRecord.begin() + start + 14, true);
    size_t changedOutside = 0;
    for (size_t i = 0; i < before.size(); i++)
        changedOutside += before[i] != after[i] && !inRecord[i];
    EXPECT_EQ(0u, changedOutside);
    EXPECT_EQ(2u, TakeRecordedBoxes().size());
    CloseDemoScene(scene);
}

TEST(DemoConvert, FailuresReportAndLeaveTheFileAsItWas)
{
    std::vector<DemoFailure> failures = RewriteFailures();
    failures.push_back({FAULT_NO_MEMORY, "Could not read file to memory", 0});
    ExpectDemoFailures(Convert800x600To1024x768, "Convert resolution in demo?",
                       BuildSampleDemo(SpecOfSize(800, 600)), failures, "convert-fail");
}

// Apart from the rest: Wine run by root may write read-only files.
TEST(DemoConvert, ReadOnlyDemoIsNotChanged)
{
    ExpectReadOnlyDemoUnchanged(Convert800x600To1024x768, "Convert resolution in demo?",
                                BuildSampleDemo(SpecOfSize(800, 600)), "convert-readonly");
}
