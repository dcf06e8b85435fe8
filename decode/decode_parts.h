#pragma once
// What the decoder's own files share with each other; callers outside
// decode/ use decode_state.h and decode_demo.h.

#include <stdarg.h>
#include <string.h>

#include "decode/bits.h"
#include "decode/decode_state.h"

// One frame's decoding in progress.
struct FrameContext {
    DecodeState* state;
    const NetFrame* frame;
    FrameReport* report;
    uint32_t messageAt;            // the current message's id byte, within the frame's messages
    int id;                        // the current message's id
};

// What the game state does with a registered user message.
enum UserMessageKind : uint8_t {
    USER_OTHER, USER_DEATH, USER_SCORE_INFO, USER_TEAM_INFO, USER_TEAM_SCORE, USER_TEXT, USER_SAY_TEXT,
    USER_MONEY, USER_HEALTH, USER_CUR_WEAPON, USER_SCORE_ATTRIB, USER_ROUND_TIME
};

static inline int LowestSetBit(uint64_t mask)
{
#if defined(_MSC_VER) && !defined(__clang__)
    int i = 0;
    while (!(mask >> i & 1))
        i++;
    return i;
#else
    return __builtin_ctzll(mask);
#endif
}

static inline EntityState* PoolState(DecodeState* state, uint32_t id)
{
    return &state->entityBlocks[id / DECODE_POOL_BLOCK][id % DECODE_POOL_BLOCK];
}

// The widths table of a description the state holds.
static inline const DeltaWidths& WidthsOf(const DecodeState& state, const DeltaDescription* description)
{
    return state.widths[description - state.descriptions];
}

// Says why the current message cannot be read; returns false.
bool Refuse(FrameContext* context, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Whole-byte reads at a byte boundary of the same reader.
static inline void SkipBytes(BitReader* reader, size_t count)
{
    if (count > reader->size - (reader->pos >> 3)) {
        reader->ok = false;
        reader->pos = reader->size * 8;
        return;
    }
    reader->pos += count * 8;
}

// A NUL-terminated string at the reader's byte: where it starts and its
// length; the reader moves past the NUL (or fails without one).
static inline const char* TakeText(BitReader* reader, size_t* length)
{
    size_t at = reader->pos >> 3;
    const char* text = (const char*)reader->bytes + at;
    const void* nul = at < reader->size ? memchr(text, 0, reader->size - at) : NULL;
    if (!nul) {
        reader->ok = false;
        reader->pos = reader->size * 8;
        *length = 0;
        return "";
    }
    *length = (size_t)((const char*)nul - text);
    reader->pos = (at + *length + 1) * 8;
    return text;
}

// Back to whole bytes after a bit-packed part that began at startByte: the
// next byte boundary, and at least one byte on.
static inline void EndBits(BitReader* reader, size_t startByte)
{
    size_t end = EndBitReading(reader, startByte);
    if (end > reader->size) {
        reader->ok = false;
        end = reader->size;
    }
    reader->pos = end * 8;
}

// decode_state.cpp: a new signon drops what the last one set up.
void StartSignon(DecodeState* state);

// entities.cpp: entity lists, baselines, clientdata; positions from them.
bool ReadPacketEntities(FrameContext* context, BitReader* reader, bool delta);
bool ReadSpawnBaseline(FrameContext* context, BitReader* reader);
bool ReadClientData(FrameContext* context, BitReader* reader);
void ResetEntities(DecodeState* state);
bool EntityOrigin(const DecodeState& state, int entity, float origin[3]);
bool RecorderOrigin(const DecodeState& state, float origin[3]);

// bit_messages.cpp: the other bit-packed messages.
bool ReadDeltaDescriptionMessage(FrameContext* context, BitReader* reader);
bool ReadEventMessage(FrameContext* context, BitReader* reader);
bool ReadReliableEvent(FrameContext* context, BitReader* reader);
bool ReadSound(FrameContext* context, BitReader* reader);
bool ReadResourceList(FrameContext* context, BitReader* reader);
bool ReadPings(FrameContext* context, BitReader* reader);

// messages.cpp: every message of one frame.
bool DecodeMessages(FrameContext* context);

// game_state.cpp: players, teams, scores, kills, rounds, chat.
void StartGameState(DecodeState* state);
void TakeServerInfo(FrameContext* context, int maxClients, int slot, const char* hostName);
void TakeUserInfo(FrameContext* context, int slot, int32_t userId, const char* info, size_t infoLength,
                  const unsigned char* message, size_t messageLength);
void RegisterUserMessage(DecodeState* state, int id, int size, const char* name);
void TakeUserMessage(FrameContext* context, const unsigned char* payload, size_t length);
void EndFrameGameState(FrameContext* context);
void FinishGameState(DecodeState* state);
