#pragma once
// 24-bit BMP files built in memory: the map preview `scripts/run` shows, the
// stand-in previews and screenshots of the tests. No platform headers.

#include <vector>

// The whole file for pixel rows stored bottom-up, each blue-green-red and
// padded to four bytes, as a screen capture gives them.
std::vector<unsigned char> BitmapFile(int width, int height, const std::vector<unsigned char>& bottomUpRows);

// The whole file, pixel (x, y) (y counted from the top) from rgbAt as 0xRRGGBB.
std::vector<unsigned char> BitmapFileOf(int width, int height, unsigned long (*rgbAt)(int x, int y));

// The sample map preview: sandy ground crossed by a grid of walls, so a
// screenshot shows a picture and a test can tell where it lies.
const unsigned long MAP_PREVIEW_GROUND_RGB = 0xC4AA78;   // RGB(196, 170, 120)
const unsigned long MAP_PREVIEW_WALL_RGB = 0x5C4A32;     // RGB(92, 74, 50)
unsigned long MapPreviewRgbAt(int x, int y);
