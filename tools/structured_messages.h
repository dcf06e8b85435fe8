#pragma once
// The messages of a generated demo's net-message frames, from its spec: the
// signon in LOADING, and in each Playback group the reliable messages (player
// infos, teams, scores, kills, round ends, chat), svc_time, svc_clientdata,
// the entity list, events, sounds and temp entities, then broadcast chat.
// The game keeps every frame's entity list and clientdata, so each delta is
// written against the frame it names. Used by the structured demo builder.

#include <stdint.h>

#include <utility>
#include <vector>

#include "tools/message_writer.h"
#include "tools/structured_demo.h"

enum { STRUCTURED_DESCRIPTIONS = 7 };

struct StructuredGame {
    const StructuredDemoSpec* spec;
    int groups, loadingFrames;
    DeltaDescription descriptions[STRUCTURED_DESCRIPTIONS];   // in the order sent
    DeltaStrings strings;
    DeltaSet set;
    EntityList baselines;
    std::vector<EntityList> packets;       // by group, as decoded after the group
    std::vector<ClientState> clients;      // by group
    std::vector<bool> filler;              // by group: not decodable
    ClientState signonClient;
    int32_t physinfo;                      // the clientdata's string, in strings
};

// The view a frame's demo info holds: the recorder's position and angles.
struct StructuredView {
    float origin[3];
    float angles[3];
};

// The messages of one frame, and where each begins in bytes.
struct FrameMessages {
    MessageBytes bytes;
    std::vector<size_t> starts;
};

void StartStructuredGame(StructuredGame* game, const StructuredDemoSpec& spec);

// The incoming sequence of LOADING frame i and of Playback group g: one a
// frame, the low byte wrapping within the first groups.
uint32_t SignonSequence(const StructuredGame& game, int frame);
uint32_t GroupSequence(const StructuredGame& game, int group);
StructuredView GroupView(const StructuredGame& game, int group);

// The messages of LOADING frame i of frames (the caller adds svc_signonnum).
void PutSignonMessages(StructuredGame* game, int frame, FrameMessages* out);

// The messages of Playback group g. chatAt gets (spec chat index, offset in
// out's bytes) of each chat message written.
void PutGroupMessages(StructuredGame* game, int group, FrameMessages* out,
                      std::vector<std::pair<size_t, size_t>>* chatAt);
