#include "tools/bitmap_file.h"

#include <stddef.h>

// count is at most 4.
static void PutLittleEndian(std::vector<unsigned char>* bytes, unsigned long value, int count)
{
    for (int i = 0; i < count; i++)
        bytes->push_back((unsigned char)(value >> (8 * i)));
}

std::vector<unsigned char> BitmapFile(int width, int height, const std::vector<unsigned char>& bottomUpRows)
{
    const unsigned long headers = 14 + 40;
    std::vector<unsigned char> bytes;
    bytes.push_back('B');
    bytes.push_back('M');
    PutLittleEndian(&bytes, headers + bottomUpRows.size(), 4);
    PutLittleEndian(&bytes, 0, 4);
    PutLittleEndian(&bytes, headers, 4);
    PutLittleEndian(&bytes, 40, 4);          // the info header's size
    PutLittleEndian(&bytes, (unsigned long)width, 4);
    PutLittleEndian(&bytes, (unsigned long)height, 4);
    PutLittleEndian(&bytes, 1, 2);           // planes
    PutLittleEndian(&bytes, 24, 2);          // bits per pixel
    PutLittleEndian(&bytes, 0, 4);           // uncompressed
    PutLittleEndian(&bytes, bottomUpRows.size(), 4);
    bytes.insert(bytes.end(), 16, 0);        // resolution and palette: none
    bytes.insert(bytes.end(), bottomUpRows.begin(), bottomUpRows.end());
    return bytes;
}

std::vector<unsigned char> BitmapFileOf(int width, int height, unsigned long (*rgbAt)(int x, int y))
{
    size_t stride = ((size_t)width * 3 + 3) & ~(size_t)3;
    std::vector<unsigned char> rows(stride * height, 0);
    for (int row = 0; row < height; row++) {
        for (int x = 0; x < width; x++) {
            // Bottom-up: the file's first row is the picture's last.
            unsigned long rgb = rgbAt(x, height - 1 - row);
            unsigned char* pixel = &rows[row * stride + x * 3];
            pixel[0] = (unsigned char)rgb;
            pixel[1] = (unsigned char)(rgb >> 8);
            pixel[2] = (unsigned char)(rgb >> 16);
        }
    }
    return BitmapFile(width, height, rows);
}

unsigned long MapPreviewRgbAt(int x, int y)
{
    return x % 40 < 5 || y % 30 < 5 ? MAP_PREVIEW_WALL_RGB : MAP_PREVIEW_GROUND_RGB;
}
