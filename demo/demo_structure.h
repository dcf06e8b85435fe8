#pragma once
// The structure of a demo file read from its own bytes: the 544-byte header,
// the directory, a frame walk of each segment, the viewport, the registered
// user messages, the SayText chat and the player infos. Pure: no windows.h.
//
// States: complete (a usable directory, every entry walks to its next-section
// frame and ends there, or after stacked next-section frames); unfinished (no
// usable directory, and the walk from 544 meets no bad frame: it ends at the
// end of the file or at Playback's next-section frame, so a file whose
// directory alone is broken reads as unfinished and can be repaired);
// damaged (too short for the header, not HLDEMO, 4 GiB or more, or a bad
// frame). Demo protocol 4 files are walked with the WON frame table; their
// message layout differs, so their messages are only pattern-searched.
//
// Additions to the agreed names:
//   DemoSegment::extraNextSections  next-section frames after the closing one
//                                   (counted in framesByType and framesWalked)
//   DemoSegment::lastFrameNumber    frame number of the last whole frame walked
//   PlayerInfo::offset              file offset of the svc_updateuserinfo id byte
//   DemoStructure::directoryEntries the header's entry count as read (0 when unread)

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "demo/demo_layout.h"

enum {
    FRAME_TYPE_COUNT = 10,          // frame types 0..9
    STRUCTURE_PROBLEM_SIZE = 160,
    USER_MESSAGE_NAME_SIZE = 17,
    CHAT_TEXT_SIZE = 193,           // a user message carries at most 192 bytes
    CHAT_STRING_COUNT = 4,
    PLAYER_INFO_NAME_SIZE = 128
};

enum DemoState { DEMO_COMPLETE, DEMO_UNFINISHED, DEMO_DAMAGED };
enum SegmentEnd { SEGMENT_NEXT_SECTION, SEGMENT_END_OF_FILE, SEGMENT_BAD_FRAME };

struct DemoFileHeader {            // the 544 bytes as the engine writes them
    char magic[9];
    int32_t demoProtocol;
    int32_t networkProtocol;
    char mapName[261];
    char gameDir[261];
    uint32_t mapCrc;
    int32_t directoryOffset;
};

struct DemoSegment {
    int32_t type;                  // directory entry type (0 LOADING, 1 Playback)
    char description[SEGMENT_DESCRIPTION_SIZE];
    uint32_t offset, length;       // as the directory gives them (or as walked, sequentially)
    float trackTime;               // walked sequentially: 0 for LOADING, the last frame's
                                   // time for Playback
    int32_t frameCount;            // the directory's count (or the walked type-1 count)
    uint32_t framesByType[FRAME_TYPE_COUNT];
    uint32_t framesWalked;
    SegmentEnd end;
    float lastTime;                // time of the last whole frame walked (the closing
                                   // next-section frame's, not a stacked one's)
    uint64_t walkedEnd;            // file offset just past the last whole frame walked
    char problem[STRUCTURE_PROBLEM_SIZE];  // where and why a bad-frame stop happened
    uint32_t extraNextSections;    // stacked next-section frames after the closing one
    int32_t lastFrameNumber;       // frame number of the last whole frame walked
};

struct UserMessageType { int id; int size; char name[USER_MESSAGE_NAME_SIZE]; };  // size -1 = variable

struct ChatMessage {
    float time;                    // frame time
    int sender;                    // sender entity index (player slot + 1)
    uint64_t offset;               // file offset of the message's id byte
    uint32_t length;               // whole message: id, length byte, payload
    bool steamForm;                // true: "#Cstrike_..." key form
    bool foundByWalk;              // false: by the validated pattern search
    char key[CHAT_TEXT_SIZE];      // the format key (steam form), "" otherwise
    int stringCount;
    char strings[CHAT_STRING_COUNT][CHAT_TEXT_SIZE];  // raw bytes as in the demo; the
                                                      // key is strings[0] in the steam form
};

struct PlayerInfo {                // one svc_updateuserinfo, in file order
    float time;
    int slot;
    int32_t userId;
    char name[PLAYER_INFO_NAME_SIZE];  // the info string's \name\ value
    uint64_t offset;               // file offset of the message's id byte
};

enum ChatKind { CHAT_ALL, CHAT_TEAM, CHAT_DEAD, CHAT_TEAM_DEAD, CHAT_SPECTATOR,
                CHAT_NAME_CHANGE, CHAT_OTHER };

struct DemoStructure {
    DemoFileHeader header;
    bool headerWhole;              // false: the file is shorter than 544 bytes
    DemoState state;
    char problem[STRUCTURE_PROBLEM_SIZE];      // "" when complete
    bool directoryUsable;
    char directoryProblem[STRUCTURE_PROBLEM_SIZE];
    bool walkedSequentially;
    std::vector<DemoSegment> segments;
    float duration;
    int viewportWidth, viewportHeight;         // 0, 0: none
    std::vector<UserMessageType> userMessages; // registration order
    int sayTextId;                             // -1: not registered
    std::vector<ChatMessage> chat;             // time (file) order
    std::vector<PlayerInfo> players;
    uint64_t lastWholeFrameEnd;                // the repair cut point
    int32_t directoryEntries;
};

// Reads the structure of a demo held whole in one buffer. Never fails, never
// reads outside the buffer; a vector passed in is reused (cleared, capacity kept).
void ReadDemoStructure(const unsigned char* bytes, size_t size, DemoStructure* result);

const char* DemoStateName(DemoState state);      // "complete", "unfinished", "damaged"
const char* SegmentEndName(SegmentEnd end);      // "next-section", "end-of-file", "bad-frame"
ChatKind ClassifyChat(const ChatMessage& message);
const char* ChatKindName(ChatKind kind);         // "all", "team", "dead", "team-dead", "spectator", "name-change", "other"
bool IsSteamTeamChat(const ChatMessage& message); // the team keys: _T, _CT, _T_Dead, _CT_Dead, _Spec, _CT_Loc, _T_Loc
// The chat text without its trailing line break, and the sender's name at the
// message's time from the player infos ("" when unknown).
void ChatText(char* dest, size_t size, const ChatMessage& message);
const char* SenderName(const DemoStructure& structure, const ChatMessage& message);
