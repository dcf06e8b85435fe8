// The fast stripper against the literal one: the same bytes and the same
// count on every input.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "tests/reference/reference_scans.h"
#include "demo/team_messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> fast(data, data + size);
    std::vector<unsigned char> reference(data, data + size);
    unsigned int fastCount = BlankTeamMessages(fast.data(), fast.size());
    unsigned int referenceCount = ReferenceBlankTeamMessages(reference.data(), reference.size());
    if (fastCount != referenceCount || fast != reference)
        abort();
    return 0;
}
