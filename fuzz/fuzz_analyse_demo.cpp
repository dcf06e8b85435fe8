// The fast inspection against the literal one: every input must give the
// same record, field for field.
#include <stdint.h>
#include <stdlib.h>

#include "tests/reference/reference_scans.h"
#include "demo/analysis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static DemoInspection fast;
    static DemoInspection reference;
    AnalyseDemo(data, size, "800", "600", "C:\\Games\\Flickbox", &fast);
    ReferenceAnalyseDemo(data, size, "800", "600", "C:\\Games\\Flickbox", &reference);
    if (!SameInspection(fast, reference))
        abort();
    return 0;
}
