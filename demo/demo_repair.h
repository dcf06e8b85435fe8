#pragma once
// A demo cut short by a crash, rebuilt as a finished recording.

#include <stddef.h>

#include <vector>

#include "demo/demo_structure.h"

// For an unfinished demo: the repaired file (cut at the last whole frame, a
// next-section frame closing each segment where missing, a two-entry
// directory, the offset at 540). False (and out untouched) when the structure
// is not unfinished. The structure must have been read from these bytes.
bool BuildRepairedDemo(const unsigned char* bytes, size_t size, const DemoStructure& structure,
                       std::vector<unsigned char>* out);
