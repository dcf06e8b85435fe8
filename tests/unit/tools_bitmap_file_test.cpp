#include <gtest/gtest.h>

#include <stdint.h>

#include <vector>

#include "tools/bitmap_file.h"

static uint32_t Le(const std::vector<unsigned char>& bytes, size_t at, int count)
{
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; i--)
        value = value << 8 | bytes[at + i];
    return value;
}

static unsigned long RedTopLeft(int x, int y)
{
    return x == 0 && y == 0 ? 0xFF0000 : 0x0000FF;
}

// A 3 x 2 picture: rows of 9 bytes padded to 12, stored bottom-up.
TEST(ToolsBitmapFile, HeadersRowsAndPadding)
{
    std::vector<unsigned char> file = BitmapFileOf(3, 2, RedTopLeft);
    ASSERT_EQ(54u + 24u, file.size());
    EXPECT_EQ('B', file[0]);
    EXPECT_EQ('M', file[1]);
    struct Row {
        size_t at;
        int count;
        uint32_t value;
    } rows[] = {
        {2, 4, 78}, {10, 4, 54}, {14, 4, 40}, {18, 4, 3}, {22, 4, 2}, {26, 2, 1}, {28, 2, 24}, {30, 4, 0}, {34, 4, 24},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.value, Le(file, row.at, row.count)) << "at " << row.at;
    // The top row is the file's last: its first pixel red, blue-green-red in order.
    EXPECT_EQ(0x00, file[54 + 12]);
    EXPECT_EQ(0xFF, file[54 + 12 + 2]);
    EXPECT_EQ(0xFF, file[54]);   // the bottom row's first pixel is blue
    EXPECT_EQ(0x00, file[54 + 9]);   // padding
}

TEST(ToolsBitmapFile, MapPreviewIsGroundCrossedByWalls)
{
    EXPECT_EQ(MAP_PREVIEW_WALL_RGB, MapPreviewRgbAt(0, 0));
    EXPECT_EQ(MAP_PREVIEW_GROUND_RGB, MapPreviewRgbAt(20, 15));
    EXPECT_EQ(MAP_PREVIEW_WALL_RGB, MapPreviewRgbAt(40, 15));
    EXPECT_EQ(MAP_PREVIEW_WALL_RGB, MapPreviewRgbAt(20, 30));
}
