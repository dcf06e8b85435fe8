#pragma once
// The state a cut carries over: the start frame's messages rewritten so that
// nothing refers to a frame cut before it, and later frames rewritten while
// they still do; then the cut checked by decoding it beside the original.
// Used by the cut (decode/demo_cut.cpp). Pure: no windows.h.

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "decode/demo_cut.h"
#include "decode/delta.h"

struct DecodeState;

// One frame of a segment, in file order.
struct CutFrame {
    size_t offset, size;
    int type;
    float time;
    int32_t number;
};

// The original demo and its frames: LOADING's up to its closing
// next-section frame, Playback's up to its own (neither included).
struct CutSource {
    const unsigned char* bytes;
    size_t size;
    const DemoStructure* structure;
    std::vector<CutFrame> loading, playback;
};

// New message bytes for the kept net-message frame playback[frame].
struct CarriedFrame {
    size_t frame;
    std::vector<unsigned char> messages;
};

// What the cut keeps of the state: its rewritten frames, and the signon its
// LOADING segment holds.
struct CarryPlan {
    std::vector<CarriedFrame> carried;     // the start frame first
    bool newSignon;                        // the demo reconnected (or changed map) before the
    size_t signonFirst, signonLast;        // start: playback[signonFirst..signonLast] is that
                                           // signon, the cut's LOADING
};

// The decoder states a cut works with, one pair per thread kept between
// cuts: 0 decodes the original, 1 the cut.
DecodeState* CutDecodeState(int which);
void ReleaseCutDecodeStates();       // ReleaseThreadDecodeStates' part

// The frames of a walked segment up to its first next-section frame. False
// when a frame does not fit (the structure walk has already checked them).
bool ListSegmentFrames(const unsigned char* bytes, const DemoSegment& segment, std::vector<CutFrame>* frames);

// Decodes the original up to the start frame and rewrites it: its entity
// list as a full packet against the baselines, its clientdata and weapons
// against zero, and before them the reliable state the cut frames built.
// The start frame is the first net-message frame from *start on that holds
// an entity list and lies past any signon in Playback (*start moves to it).
// Then rewrites each later frame up to playback[end] whose deltas still
// refer to a frame before the start, as a delta against the latest kept
// frame. False with report->problem when the demo cannot be carried.
bool CarryState(const CutSource& source, size_t* start, size_t end, CarryPlan* plan, CutReport* report);

// Decodes the cut beside the original: every frame of the cut decoded, and
// the state after the start frame and after each rewritten frame the
// original's (time windows by the time they stand for, those clamped by the
// writer excepted). False with report->problem when not.
bool CheckCut(const CutSource& source, const unsigned char* cut, size_t cutSize, size_t start,
              const std::vector<CarriedFrame>& carried, CutReport* report);

// Time-window fields count back from a server time in these units per
// second; 0 for every other field.
double TimeWindowUnits(const DeltaField& field);

// The state a cut promises to keep, compared: the latest entity list,
// clientdata and weapons, players, teams, scores, light styles and the
// recorder's HUD values (RoundTime as the seconds it leaves now). Time
// windows compare by the time they stand for, to a hundredth, or as clamped
// by the writer. why says the first difference.
bool SameCarriedState(const DecodeState& original, const DecodeState& cut, char* why, size_t whySize);
