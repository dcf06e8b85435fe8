#include <windows.h>

#include <gtest/gtest.h>

#include "shared/messages.h"
#include "tests/win/support/recorded_messages.h"

TEST(Messages, ReportSystemErrorShowsMessageAndSystemText)
{
    TakeRecordedBoxes();
    HANDLE file = CreateFileA("C:\\no\\such\\folder\\x.dem", GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_EQ(INVALID_HANDLE_VALUE, file);
    DWORD error = GetLastError();
    ReportSystemError("Could not open demo-file");

    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(1u, boxes.size());
    std::string systemText = SystemErrorText(error);
    EXPECT_FALSE(systemText.empty());
    EXPECT_EQ("Could not open demo-file: " + systemText, boxes[0].text);
    EXPECT_EQ("Error", boxes[0].caption);
    EXPECT_EQ((unsigned)MB_ICONINFORMATION, boxes[0].flags);
}

TEST(Messages, NoticesAndQuestions)
{
    TakeRecordedBoxes();
    ShowNotice("No demo loaded.");
    ScriptAnswers({IDCANCEL, IDOK});
    EXPECT_FALSE(AskQuestion("Strip teamsays?"));
    EXPECT_TRUE(AskQuestion("Strip teamsays?"));

    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(3u, boxes.size());
    EXPECT_EQ("No demo loaded.", boxes[0].text);
    EXPECT_EQ("Flickbox", boxes[0].caption);
    EXPECT_EQ((unsigned)(MB_OK | MB_ICONINFORMATION), boxes[0].flags);
    EXPECT_EQ("Strip teamsays?", boxes[1].text);
    EXPECT_EQ("Flickbox", boxes[1].caption);
    EXPECT_EQ((unsigned)(MB_OKCANCEL | MB_ICONQUESTION), boxes[1].flags);
}
