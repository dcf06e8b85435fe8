#include "tests/win/support/expected_boxes.h"

#include <windows.h>

#include <gtest/gtest.h>

void ExpectBox(const RecordedBox& box, const std::string& text, const char* caption,
               unsigned flags)
{
    EXPECT_EQ(text, box.text);
    EXPECT_EQ(caption, box.caption);
    EXPECT_EQ(flags, box.flags);
}

void ExpectOnlyNotice(const std::string& text)
{
    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(1u, boxes.size());
    ExpectBox(boxes[0], text, "Flickbox", MB_OK | MB_ICONINFORMATION);
}

void ExpectErrorBoxes(const std::vector<std::string>& texts)
{
    std::vector<RecordedBox> boxes = TakeRecordedBoxes();
    ASSERT_EQ(texts.size(), boxes.size());
    for (size_t i = 0; i < texts.size(); i++)
        ExpectBox(boxes[i], texts[i], "Error", MB_ICONINFORMATION);
}
