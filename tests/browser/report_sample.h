#pragma once
// A made-up decoded demo for the report's tests: ten players in two teams
// (a bot, an HLTV proxy), kills with positions, a round end every two
// minutes through every reason key, team and all chat, and the recorder's
// path sampled 100 times a second. Names and chat try to inject markup.

#include "decode/demo_timeline.h"
#include "demo/demo_structure.h"

extern const char sampleHostileName[];   // the recorder's name

void BuildSampleDemo(float minutes, DemoStructure* structure, DemoTimeline* timeline);
