// The fast converter against the literal one: the same bytes on every input.
// The whole input is the demo; its first bytes also choose the sizes, either
// from the sizes a demo really holds (so the real demos' records get hit) or
// as raw 16-bit values (zero, equal and self-overlapping patterns).
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "tests/reference/reference_scans.h"
#include "demo/resolution_records.h"

static const unsigned int Sizes[][2] = {
    {1024, 768}, {1280, 960}, {1152, 864}, {800, 600}, {640, 480},
    {512, 384}, {480, 360}, {400, 300}, {0, 0},
};
static const size_t SIZE_COUNT = sizeof Sizes / sizeof Sizes[0];

static unsigned int ByteAt(const uint8_t* data, size_t size, size_t at)
{
    return at < size ? data[at] : 0;
}

static unsigned int WordAt(const uint8_t* data, size_t size, size_t at)
{
    return ByteAt(data, size, at) | ByteAt(data, size, at + 1) << 8;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned int oldWidth, oldHeight, newWidth, newHeight;
    if (ByteAt(data, size, 4) & 1) {
        const unsigned int* from = Sizes[ByteAt(data, size, 6) % SIZE_COUNT];
        const unsigned int* to = Sizes[ByteAt(data, size, 7) % SIZE_COUNT];
        oldWidth = from[0], oldHeight = from[1], newWidth = to[0], newHeight = to[1];
    } else {
        oldWidth = WordAt(data, size, 8), oldHeight = WordAt(data, size, 10);
        newWidth = WordAt(data, size, 12), newHeight = WordAt(data, size, 14);
    }
    std::vector<unsigned char> fast(data, data + size);
    std::vector<unsigned char> reference(data, data + size);
    RewriteResolutionRecords(fast.data(), fast.size(), oldWidth, oldHeight, newWidth, newHeight);
    ReferenceRewriteResolutionRecords(reference.data(), reference.size(), oldWidth, oldHeight,
                                      newWidth, newHeight);
    if (fast != reference)
        abort();
    return 0;
}
