#pragma once
// The message bytes of one net-message frame: svc_newusermsg registrations,
// SayText chat and svc_updateuserinfo player infos, found by a whole-byte
// message walk from the start and a validated pattern search over the rest.

#include <stddef.h>

#include "demo/demo_structure.h"

struct MessageReader {
    short sizes[256];   // registered user message sizes: -1 variable, -2 none
    bool walk;          // false: the message layout is unknown (WON), search only
};

// Clears the registrations; walk says whether the whole-byte walk applies.
void StartMessageReader(MessageReader* reader, bool walk);

// Reads the messages in bytes[begin, end) of a frame of the given time and
// adds what it finds to result (userMessages, sayTextId, chat, players).
// Registrations are searched for only in signon (type 0) frames, where the
// server sends them; elsewhere only the walk takes them.
void ReadFrameMessages(const unsigned char* bytes, size_t begin, size_t end, float time, bool signon,
                       MessageReader* reader, DemoStructure* result);
