#pragma once
// The decoded timeline as the console commands show it: one decode per file
// into the worker's scratch, and the pieces info, chat and events share.
// Pure.

#include <string>

#include "cli/cli_commands.h"

// Reads the structure of scratch->bytes, then decodes its messages into
// scratch->timeline (both reused from the last file).
void DecodeScratchDemo(DemoScratch* scratch);

// Whether chat lists the event: the chat lines, and the name changes the
// server announced in chat. A demo that cannot be decoded has none; its chat
// is the structure's pattern search.
bool IsChatLine(const TimelineEvent& event);

// The number of lines chat lists: decoded, or by pattern when the demo cannot
// be decoded.
size_t ChatLineCount(const DemoStructure& structure, const DemoTimeline& timeline);

// Overwrites the Steam-form team chat of the demo with svc_nop bytes, as many
// as the message had, and returns how many messages. Only exact finds count:
// the decoded chat, and what the structure's walk found before a frame's
// first bit-packed message; a pattern-found message may be entity bytes. The
// structure and the timeline must have been read from these bytes.
unsigned int NopTeamChat(unsigned char* bytes, size_t size, const DemoStructure& structure,
                         const DemoTimeline& timeline);

// {"frames":N,"framesDecoded":N,"messageBytes":N,"messageBytesDecoded":N,
//  "firstFailure":{"offset":N,"message":ID,"reason":"..."} or null}
void AppendCoverageJson(std::string* out, const DecodeCoverage& coverage);

// {"slot":N,"entity":N,"name":"...","steamId":"..." or null}, or null when
// the recorder's slot is unknown; a name never given is null.
void AppendRecorderJson(std::string* out, const DemoTimeline& timeline);

// "N of N frames, N of N message bytes" and, when a frame failed, the first
// failure: "offset N, message ID: reason".
void FormatCoverage(char* dest, size_t size, const DecodeCoverage& coverage);
void FormatFirstFailure(char* dest, size_t size, const DecodeFailure& failure);

// The player at a slot, or NULL when none was seen there.
const TimelinePlayer* TimelinePlayerAt(const DemoTimeline& timeline, int slot);

// "  m:ss.s  label       NNN  " as chat starts its lines; number < 0 leaves
// the number's column blank.
void AppendEventStart(std::string* out, float time, const char* label, int number);

// A chat line's kind, its sender's name at that moment (a name change: the
// new name) and its text (a name change: "OLD changed name to NEW").
ChatKind ChatLineKind(const TimelineEvent& event);
const char* ChatLineName(const TimelineEvent& event);
void ChatLineText(char* dest, size_t size, const TimelineEvent& event);

// The whole text line of a chat line, as chat prints it.
void AppendChatLine(std::string* out, const TimelineEvent& event);
