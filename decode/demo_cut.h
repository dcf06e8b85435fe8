#pragma once
// Cutting a demo down to a span of its Playback, losslessly: the LOADING
// segment as it is, the frames of the span with their times shifted, a
// closing next-section frame and a rebuilt directory. The first kept
// net-message frame carries the state of the frames cut before it, so nothing
// in the cut refers to a frame it no longer has. Pure: no windows.h.

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "decode/demo_timeline.h"
#include "demo/demo_structure.h"

enum { CUT_PROBLEM_SIZE = 200, ROUND_TAIL_SECONDS = 5 };

// The span to keep, in the demo time the timeline's events carry. An end not
// given is the demo's own.
struct CutSpan {
    bool fromGiven, toGiven;
    double from, to;
};

struct CutReport {
    float keptFrom, keptTo;        // original times of the start frame and the last frame kept
    uint32_t netFrames;            // net-message frames kept
    uint32_t framesRewritten;      // kept frames after the start frame whose deltas were rewritten
    uint32_t clampedTimeFields;    // time-window values too old for their 8 bits, clamped
    char problem[CUT_PROBLEM_SIZE];  // why nothing was cut
};

// The span of rounds first..last (1 upward, counted along the demo's round
// ends, restarts included): from just after the round end before the first
// (or the start of Playback) to the last round's end plus five seconds, cut
// short at the demo's end. False with the reason when a round does not exist.
bool RoundSpan(const DemoTimeline& timeline, const DemoStructure& structure, int first, int last, double* from,
               double* to, char* problem, size_t problemSize);

// Cuts the demo held in bytes (its structure read from them) to the span.
// The cut is decoded before it is returned: one that does not decode fully,
// or whose state after the start frame differs from the original's, is an
// error. False with report->problem, and out unspecified, when the demo
// cannot be cut.
bool CutDemo(const unsigned char* bytes, size_t size, const DemoStructure& structure, const CutSpan& span,
             std::vector<unsigned char>* out, CutReport* report);
