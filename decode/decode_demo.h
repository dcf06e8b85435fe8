#pragma once
// The timeline of a whole demo from its decoded messages. Pure: no windows.h.

#include <stddef.h>

#include "decode/demo_timeline.h"
#include "demo/demo_structure.h"

// Decodes every net-message frame of a demo held whole in memory, after
// ReadDemoStructure, into timeline (its vectors are reused: cleared, capacity
// kept). Demos that cannot be decoded (WON-era) count their frames as not
// decoded and take their chat from the structure's pattern search. Never
// fails, never reads outside the buffer.
void DecodeDemo(const unsigned char* bytes, size_t size, const DemoStructure& structure, DemoTimeline* timeline);

// Frees the decoding state this thread keeps between demos (DecodeDemo's and
// the cut's). A thread that decoded calls it before it ends: the state is
// kept in plain thread-local pointers, since a thread-local destructor
// crashes at thread exit in statically linked mingw programs.
void ReleaseThreadDecodeStates();
