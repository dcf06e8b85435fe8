#pragma once
// The records of a demo file that are both read and written: the frame
// header, the next-section frame, the directory and the header's pointer to
// it. Each reader sits beside its writer. Readers and writers take a place
// that holds the whole record: the caller checks the bounds. Pure: no
// windows.h.

#include <stddef.h>
#include <stdint.h>

#include <vector>

enum {
    DEMO_HEADER_SIZE = 544,
    DIRECTORY_OFFSET_AT = 540,      // in the header
    DIRECTORY_ENTRY_SIZE = 92,
    MAX_DIRECTORY_ENTRIES = 1024,
    SEGMENT_DESCRIPTION_SIZE = 65,  // 64 bytes and a NUL
    FRAME_HEADER_SIZE = 9           // type, time, frame number
};

struct FrameHeader {
    int type;
    float time;
    int32_t number;
};

// Reads as much of the frame header at `at` as `left` bytes hold: the type
// from the first byte on, the time and number only when all nine are there.
// False when the header is cut.
bool ReadFrameHeader(const unsigned char* at, size_t left, FrameHeader* frame);
void AppendFrameHeader(std::vector<unsigned char>* out, const FrameHeader& frame);

// The frame that closes a segment: type 8 in demo protocol 4 (WON), 5 in the
// later ones. It is a frame header and nothing more.
int NextSectionType(int32_t demoProtocol);
void AppendNextSectionFrame(std::vector<unsigned char>* out, int32_t demoProtocol, float time, int32_t number);

struct DirectoryEntry {
    int32_t type;                  // 0 LOADING, 1 Playback
    char description[SEGMENT_DESCRIPTION_SIZE];
    int32_t flags;
    int32_t cdTrack;
    float trackTime;               // the last frame's time
    int32_t frameCount;            // net-message frames
    uint32_t offset, length;
};

// An entry as a finished recording writes it: flags 0, CD track -1.
DirectoryEntry FinishedEntry(int32_t type, const char* description, float trackTime, int32_t frameCount,
                             uint32_t offset, uint32_t length);

// The directory at `directory`: a 32-bit entry count, then the entries.
int32_t ReadDirectoryCount(const unsigned char* directory);
void ReadDirectoryEntry(const unsigned char* directory, size_t index, DirectoryEntry* entry);
// Appends the count and the entries. A description is written up to 63
// bytes, so the 64-byte field always holds its NUL.
void AppendDirectory(std::vector<unsigned char>* out, const DirectoryEntry* entries, size_t count);
size_t DirectorySize(size_t count);

// The directory's offset, kept at 540 in the 544-byte header.
int32_t ReadDirectoryOffset(const unsigned char* header);
void PutDirectoryOffset(unsigned char* header, uint32_t offset);
