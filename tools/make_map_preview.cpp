// Writes the sample map preview, a 24-bit bitmap, for scripts/run.
//   make_map_preview OUT.bmp [WxH]

#include <stdio.h>

#include <vector>

#include "tools/bitmap_file.h"

int main(int argc, char** argv)
{
    int width = 160, height = 120;
    if (argc < 2 || argc > 3 || (argc == 3 && (sscanf(argv[2], "%dx%d", &width, &height) != 2 ||
                                               width <= 0 || height <= 0 || width > 4096 || height > 4096))) {
        fprintf(stderr, "usage: make_map_preview OUT.bmp [WxH]\n");
        return 2;
    }
    std::vector<unsigned char> bytes = BitmapFileOf(width, height, MapPreviewRgbAt);
    FILE* out = fopen(argv[1], "wb");
    if (!out) {
        perror(argv[1]);
        return 1;
    }
    bool written = fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (fclose(out) != 0 || !written) {
        fprintf(stderr, "make_map_preview: %s: could not write\n", argv[1]);
        return 1;
    }
    return 0;
}
