// The structure walker on any bytes: no crash, no read outside the buffer,
// and a result that holds together. An unfinished input must repair into a
// complete demo, and stripping Steam team chat must leave the frames alone.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "demo/demo_repair.h"
#include "demo/demo_structure.h"
#include "demo/steam_team_chat.h"

static void Require(bool holds)
{
    if (!holds)
        abort();
}

static bool Terminated(const char* text, size_t size)
{
    return memchr(text, 0, size) != NULL;
}

static void CheckStructure(const DemoStructure& s, size_t size)
{
    Require(s.lastWholeFrameEnd <= size);
    Require(Terminated(s.problem, sizeof s.problem) && Terminated(s.directoryProblem, sizeof s.directoryProblem));
    Require(s.state != DEMO_COMPLETE || (s.directoryUsable && s.problem[0] == '\0'));
    Require(s.state != DEMO_UNFINISHED || !s.directoryUsable);
    Require(s.headerWhole == (size >= DEMO_HEADER_SIZE));
    for (const DemoSegment& segment : s.segments) {
        Require(segment.offset <= segment.walkedEnd && segment.walkedEnd <= size);
        Require(segment.walkedEnd <= s.lastWholeFrameEnd);
        Require((uint64_t)segment.offset + segment.length <= size);
        uint32_t sum = 0;
        for (uint32_t count : segment.framesByType)
            sum += count;
        Require(sum == segment.framesWalked);
        Require(segment.extraNextSections <= segment.framesWalked);
        Require(Terminated(segment.description, sizeof segment.description));
        Require(Terminated(segment.problem, sizeof segment.problem));
        Require(s.state != DEMO_COMPLETE || segment.end == SEGMENT_NEXT_SECTION);
    }
    for (const ChatMessage& message : s.chat) {
        Require(message.offset <= size && message.length <= size - message.offset);
        Require(message.stringCount >= 0 && message.stringCount <= CHAT_STRING_COUNT);
        for (int i = 0; i < message.stringCount; i++)
            Require(Terminated(message.strings[i], CHAT_TEXT_SIZE));
        char text[CHAT_TEXT_SIZE];
        ChatText(text, sizeof text, message);
        Require(Terminated(text, sizeof text));
        Require(Terminated(SenderName(s, message), PLAYER_INFO_NAME_SIZE));
        Require(ClassifyChat(message) <= CHAT_OTHER);
    }
    for (const UserMessageType& type : s.userMessages)
        Require(type.id >= 64 && type.id <= 255 && Terminated(type.name, sizeof type.name));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A buffer of exactly the input's size, so a read past it is caught.
    std::vector<unsigned char> bytes(data, data + size);
    DemoStructure structure;
    ReadDemoStructure(bytes.data(), bytes.size(), &structure);
    CheckStructure(structure, bytes.size());

    std::vector<unsigned char> repaired;
    bool wasRepaired = BuildRepairedDemo(bytes.data(), bytes.size(), structure, &repaired);
    Require(wasRepaired == (structure.state == DEMO_UNFINISHED));
    if (wasRepaired) {
        DemoStructure again;
        ReadDemoStructure(repaired.data(), repaired.size(), &again);
        CheckStructure(again, repaired.size());
        Require(again.state == DEMO_COMPLETE);
        Require(memcmp(repaired.data(), bytes.data(), DIRECTORY_OFFSET_AT) == 0);
    }

    std::vector<unsigned char> stripped = bytes;
    unsigned int count = NopSteamTeamChat(stripped.data(), stripped.size(), structure);
    unsigned int teamLines = 0;
    for (const ChatMessage& message : structure.chat)
        teamLines += IsSteamTeamChat(message);
    Require(count == teamLines);
    if (count > 0) {
        DemoStructure after;
        ReadDemoStructure(stripped.data(), stripped.size(), &after);
        Require(after.state == structure.state && after.lastWholeFrameEnd == structure.lastWholeFrameEnd);
    }
    return 0;
}
