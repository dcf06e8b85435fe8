#include <windows.h>

#include <string.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "demo/convert.h"
#include "tests/win/support/demo_test_support.h"
#include "tests/win/support/recorded_messages.h"
#include "tools/sample_demo.h"

static const char rejectionText[] =
    "Wrong resolution. Available resolutions are:\n1280x960\n1152x864\n1024x768\n800x600\n"
    "640x480\n512x384\n480x360\n400x300";
static const unsigned QUESTION = MB_OKCANCEL | MB_ICONQUESTION;
static const unsigned NOTICE = MB_OK | MB_ICONINFORMATION;

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

static SampleDemoSpec Spec800x600()
{
    SampleDemoSpec spec;
    spec.width = 800;
    spec.height = 600;
    return spec;
}

TEST(DemoConvert, UnsupportedNewSizeIsRejectedBeforeAsking)
{
    const unsigned sizes[][4] = {
        {800, 600, 1000, 768},
        {800, 600, 1024, 0},       // an empty height field reads 0
        {800, 600, 768, 1024},
        {0, 0, 1000, 768},         // the rejection comes before the unknown-size refusal
    };
    std::string folder = MakeDemoFolder("convert-reject");
    HWND mainDialog = CreateDemoMainDialog();
    std::string demo = folder + "\\demo.dem";
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), Spec800x600()));
    SetDemoPath(mainDialog, demo);
    std::string before = DemoFileState(demo);
    TakeRecordedBoxes();

    for (const auto& size : sizes) {
        ConvertDemoResolution(mainDialog, size[0], size[1], size[2], size[3]);
        std::vector<RecordedBox> boxes = TakeRecordedBoxes();
        ASSERT_EQ(1u, boxes.size());
        ExpectDemoBox(boxes[0], rejectionText, "Flickbox", NOTICE);
    }
    EXPECT_EQ(before, DemoFileState(demo));
    DestroyWindow(mainDialog);
    RemoveDemoFolder(folder);
}

// The record of 0 x 0 is fourteen zero bytes, which every run of zeros in a
// demo matches: the converter must not even open the file.
TEST(DemoConvert, UnknownCurrentSizeIsRefusedWithoutOpening)
{
    const unsigned sizes[][2] = {{0, 0}, {0, 600}, {800, 0}};
    std::string folder = MakeDemoFolder("convert-unknown");
    HWND mainDialog = CreateDemoMainDialog();
    std::string demo = folder + "\\demo.dem";
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), Spec800x600()));
    SetDemoPath(mainDialog, demo);
    std::string before = DemoFileState(demo);
    // Any open would fail and say so.
    HANDLE holder = CreateFileA(demo.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    TakeRecordedBoxes();

    for (const auto& size : sizes) {
        ConvertDemoResolution(mainDialog, size[0], size[1], 1024, 768);
        std::vector<RecordedBox> boxes = TakeRecordedBoxes();
        ASSERT_EQ(1u, boxes.size());
        ExpectDemoBox(boxes[0], "The demo's current resolution is unknown, so it cannot be converted.",
                  "Flickbox", NOTICE);
    }
    CloseHandle(holder);
    EXPECT_EQ(before, DemoFileState(demo));
    DestroyWindow(mainDialog);
    RemoveDemoFolder(folder);
}

TEST(DemoConvert, CancelLeavesTheFileUnopened)
{
    std::string folder = MakeDemoFolder("convert-cancel");
    HWND mainDialog = CreateDemoMainDialog();
    std::string demo = folder + "\\demo.dem";
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), Spec800x600()));
    SetDemoPath(mainDialog, demo);
    std::string before = DemoFileState(demo);
    HANDLE holder = CreateFileA(demo.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    TakeRecordedBoxes();
    ScriptAnswers({IDCANCEL});

    ConvertDemoResolution(mainDialog, 800, 600, 1024, 768);

    CloseHandle(holder);
    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(1u, boxes.size());
    ExpectDemoBox(boxes[0], "Convert resolution in demo?", "Flickbox", QUESTION);
    EXPECT_EQ(before, DemoFileState(demo));
    DestroyWindow(mainDialog);
    RemoveDemoFolder(folder);
}

TEST(DemoConvert, RewritesExactlyTheRecordBytes)
{
    const unsigned newSizes[][2] = {{1024, 768}, {400, 960}, {800, 600}};
    std::string folder = MakeDemoFolder("convert-rewrite");
    HWND mainDialog = CreateDemoMainDialog();
    std::string demo = folder + "\\demo.dem";
    SetDemoPath(mainDialog, demo);

    for (const auto& size : newSizes) {
        std::vector<unsigned char> bytes = BuildSampleDemo(Spec800x600());
        // A second record right at the end is not a match: its last byte is
        // the file's last byte.
        std::vector<unsigned char> last = Record(800, 600);
        bytes.insert(bytes.end(), last.begin(), last.end());
        ASSERT_TRUE(WriteDemoBytes(demo, bytes));
        std::vector<size_t> starts = RecordStarts(bytes, Record(800, 600));
        ASSERT_EQ(1u, starts.size());
        std::vector<unsigned char> expected = bytes;
        std::vector<unsigned char> record = Record(size[0], size[1]);
        std::copy(record.begin(), record.end(), expected.begin() + starts[0]);
        TakeRecordedBoxes();
        // The answer to "Demo converted." changes nothing.
        ScriptAnswers({IDOK, IDCANCEL});

        ConvertDemoResolution(mainDialog, 800, 600, size[0], size[1]);

        std::vector<RecordedBox> boxes = TakeRecordedBoxes();
        ASSERT_EQ(2u, boxes.size());
        ExpectDemoBox(boxes[0], "Convert resolution in demo?", "Flickbox", QUESTION);
        ExpectDemoBox(boxes[1], "Demo converted.", "Flickbox", QUESTION);
        EXPECT_TRUE(expected == ReadDemoBytes(demo));
    }
    DestroyWindow(mainDialog);
    RemoveDemoFolder(folder);
}

TEST(DemoConvert, DemoWithoutRecordIsWrittenBackUnchanged)
{
    std::string folder = MakeDemoFolder("convert-norecord");
    HWND mainDialog = CreateDemoMainDialog();
    std::string demo = folder + "\\demo.dem";
    SampleDemoSpec spec = Spec800x600();
    spec.width = 640;
    spec.height = 480;
    ASSERT_TRUE(WriteSampleDemo(demo.c_str(), spec));
    std::vector<unsigned char> before = ReadDemoBytes(demo);
    SetDemoPath(mainDialog, demo);
    TakeRecordedBoxes();

    ConvertDemoResolution(mainDialog, 800, 600, 1024, 768);

    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(2u, boxes.size());
    ExpectDemoBox(boxes[1], "Demo converted.", "Flickbox", QUESTION);
    EXPECT_TRUE(before == ReadDemoBytes(demo));
    DestroyWindow(mainDialog);
    RemoveDemoFolder(folder);
}

TEST(DemoConvert, RealDemoChangesOnlyItsRecords)
{
    std::string folder = MakeDemoFolder("convert-real");
    HWND mainDialog = CreateDemoMainDialog();
    std::string demo = folder + "\\weapon.dem";
    ASSERT_TRUE(CopyFileA(RealDemoPath("khanghugo__dem__weapon.dem").c_str(), demo.c_str(), FALSE));
    SetFileAttributesA(demo.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::vector<unsigned char> before = ReadDemoBytes(demo);
    std::vector<size_t> starts = RecordStarts(before, Record(1024, 768));
    ASSERT_EQ(736u, starts.size());
    SetDemoPath(mainDialog, demo);
    TakeRecordedBoxes();

    ConvertDemoResolution(mainDialog, 1024, 768, 800, 600);

    std::vector<unsigned char> after = ReadDemoBytes(demo);
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
    DestroyWindow(mainDialog);
    RemoveDemoFolder(folder);
}

static void Convert800x600To1024x768(HWND mainDialog)
{
    ConvertDemoResolution(mainDialog, 800, 600, 1024, 768);
}

TEST(DemoConvert, FailuresReportAndLeaveTheFileAsItWas)
{
    const std::vector<DemoFailure> failures = {
        {FAULT_MISSING_FILE, "Could not open demo-file", ERROR_FILE_NOT_FOUND},
        {FAULT_EMPTY_PATH, "Could not open demo-file", ERROR_PATH_NOT_FOUND},
        {FAULT_HELD_FOR_WRITING, "Could not open demo-file", ERROR_SHARING_VIOLATION},
        {FAULT_DIRECTORY, "Could not open demo-file", ERROR_ACCESS_DENIED},
        {FAULT_PATH_TOO_LONG, "Could not open demo-file", ERROR_FILENAME_EXCED_RANGE},
        {FAULT_EMPTY_FILE, "Could not open demo-file (reason 2)", ERROR_HANDLE_EOF},
        {FAULT_4_GIB, "Could not open demo-file (reason 2)", ERROR_FILE_TOO_LARGE},
        {FAULT_NO_MEMORY, "Could not read file to memory", 0},
    };
    ExpectDemoFailures(Convert800x600To1024x768, "Convert resolution in demo?",
                       BuildSampleDemo(Spec800x600()), failures, "convert-fail");
}

// Apart from the rest: Wine run by root may write read-only files.
TEST(DemoConvert, ReadOnlyDemoIsNotChanged)
{
    std::string folder = MakeDemoFolder("convert-probe");
    bool enforced = ReadOnlyIsEnforced(folder);
    RemoveDemoFolder(folder);
    if (!enforced)
        GTEST_SKIP() << "read-only files are writable here";
    ExpectDemoFailures(Convert800x600To1024x768, "Convert resolution in demo?",
                       BuildSampleDemo(Spec800x600()),
                       {{FAULT_READ_ONLY, "Could not open demo-file", ERROR_ACCESS_DENIED}},
                       "convert-readonly");
}
