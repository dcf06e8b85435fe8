#include "demo/steam_team_chat.h"

#include <string.h>

enum { SVC_NOP = 0x01 };

// A run of svc_nop messages has no payload to check, so the net message
// keeps its length and every later message its place.
unsigned int NopSteamTeamChat(unsigned char* bytes, size_t size, const DemoStructure& structure)
{
    unsigned int count = 0;
    for (const ChatMessage& message : structure.chat) {
        if (!IsSteamTeamChat(message))
            continue;
        if (message.offset > size || message.length > size - message.offset)
            continue;
        memset(bytes + message.offset, SVC_NOP, message.length);
        count++;
    }
    return count;
}
