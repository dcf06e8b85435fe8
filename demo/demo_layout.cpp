#include "demo/demo_layout.h"

#include <string.h>

#include "demo/little_endian.h"
#include "shared/text.h"

enum {
    // Within a directory entry.
    ENTRY_DESCRIPTION_AT = 4,
    ENTRY_DESCRIPTION_BYTES = 64,
    ENTRY_FLAGS_AT = 68,
    ENTRY_CD_TRACK_AT = 72,
    ENTRY_TRACK_TIME_AT = 76,
    ENTRY_FRAME_COUNT_AT = 80,
    ENTRY_OFFSET_AT = 84,
    ENTRY_LENGTH_AT = 88
};

static void Append(std::vector<unsigned char>* out, const unsigned char* bytes, size_t count)
{
    out->insert(out->end(), bytes, bytes + count);
}

bool ReadFrameHeader(const unsigned char* at, size_t left, FrameHeader* frame)
{
    if (left == 0)
        return false;
    frame->type = at[0];
    if (left < FRAME_HEADER_SIZE)
        return false;
    frame->time = ReadF32(at + 1);
    frame->number = ReadI32(at + 5);
    return true;
}

void AppendFrameHeader(std::vector<unsigned char>* out, const FrameHeader& frame)
{
    unsigned char header[FRAME_HEADER_SIZE];
    header[0] = (unsigned char)frame.type;
    PutF32(header + 1, frame.time);
    PutU32(header + 5, (uint32_t)frame.number);
    Append(out, header, sizeof header);
}

int NextSectionType(int32_t demoProtocol)
{
    return demoProtocol == 4 ? 8 : 5;
}

void AppendNextSectionFrame(std::vector<unsigned char>* out, int32_t demoProtocol, float time, int32_t number)
{
    FrameHeader frame = {NextSectionType(demoProtocol), time, number};
    AppendFrameHeader(out, frame);
}

DirectoryEntry FinishedEntry(int32_t type, const char* description, float trackTime, int32_t frameCount,
                             uint32_t offset, uint32_t length)
{
    DirectoryEntry entry;
    memset(&entry, 0, sizeof entry);
    entry.type = type;
    // A longer description is cut, as the 64-byte field would cut it.
    (void)CopyText(entry.description, sizeof entry.description, description);
    entry.flags = 0;
    entry.cdTrack = -1;
    entry.trackTime = trackTime;
    entry.frameCount = frameCount;
    entry.offset = offset;
    entry.length = length;
    return entry;
}

int32_t ReadDirectoryCount(const unsigned char* directory)
{
    return ReadI32(directory);
}

void ReadDirectoryEntry(const unsigned char* directory, size_t index, DirectoryEntry* entry)
{
    const unsigned char* at = directory + 4 + index * DIRECTORY_ENTRY_SIZE;
    entry->type = ReadI32(at);
    // The field need not end in a NUL; the record's one more byte holds it.
    (void)CopyTextPrefix(entry->description, sizeof entry->description, (const char*)at + ENTRY_DESCRIPTION_AT,
                         ENTRY_DESCRIPTION_BYTES);
    entry->flags = ReadI32(at + ENTRY_FLAGS_AT);
    entry->cdTrack = ReadI32(at + ENTRY_CD_TRACK_AT);
    entry->trackTime = ReadF32(at + ENTRY_TRACK_TIME_AT);
    entry->frameCount = ReadI32(at + ENTRY_FRAME_COUNT_AT);
    entry->offset = ReadU32(at + ENTRY_OFFSET_AT);
    entry->length = ReadU32(at + ENTRY_LENGTH_AT);
}

void AppendDirectory(std::vector<unsigned char>* out, const DirectoryEntry* entries, size_t count)
{
    unsigned char number[4];
    PutU32(number, (uint32_t)count);
    Append(out, number, sizeof number);
    for (size_t i = 0; i < count; i++) {
        const DirectoryEntry& entry = entries[i];
        unsigned char at[DIRECTORY_ENTRY_SIZE] = {0};
        PutU32(at, (uint32_t)entry.type);
        memcpy(at + ENTRY_DESCRIPTION_AT, entry.description,
               strnlen(entry.description, ENTRY_DESCRIPTION_BYTES - 1));
        PutU32(at + ENTRY_FLAGS_AT, (uint32_t)entry.flags);
        PutU32(at + ENTRY_CD_TRACK_AT, (uint32_t)entry.cdTrack);
        PutF32(at + ENTRY_TRACK_TIME_AT, entry.trackTime);
        PutU32(at + ENTRY_FRAME_COUNT_AT, (uint32_t)entry.frameCount);
        PutU32(at + ENTRY_OFFSET_AT, entry.offset);
        PutU32(at + ENTRY_LENGTH_AT, entry.length);
        Append(out, at, sizeof at);
    }
}

size_t DirectorySize(size_t count)
{
    return 4 + count * DIRECTORY_ENTRY_SIZE;
}

int32_t ReadDirectoryOffset(const unsigned char* header)
{
    return ReadI32(header + DIRECTORY_OFFSET_AT);
}

void PutDirectoryOffset(unsigned char* header, uint32_t offset)
{
    PutU32(header + DIRECTORY_OFFSET_AT, offset);
}
