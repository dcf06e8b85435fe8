#include "decode/decode_demo.h"

#include <string.h>

#include "shared/text.h"

// Until the message decoder lands: nothing decoded, chat by pattern.
void DecodeDemo(const unsigned char* bytes, size_t size, const DemoStructure& structure, DemoTimeline* timeline)
{
    (void)bytes;
    (void)size;
    timeline->decodable = false;
    memset(&timeline->decoded, 0, sizeof timeline->decoded);
    timeline->serverName[0] = '\0';
    timeline->maxPlayers = 0;
    timeline->recorderSlot = -1;
    timeline->players.clear();
    timeline->events.clear();
    timeline->recorderPath.clear();
    timeline->roundEnds.clear();
    for (const ChatMessage& message : structure.chat) {
        TimelineEvent event;
        memset(&event, 0, sizeof event);
        event.kind = ClassifyChat(message);
        event.type = event.kind == CHAT_NAME_CHANGE ? EVENT_NAME_CHANGE : EVENT_CHAT;
        event.time = message.time;
        event.offset = message.offset;
        event.length = message.length;
        event.entity = message.sender;
        event.foundByPattern = true;
        event.steamForm = message.steamForm;
        ChatText(event.text, sizeof event.text, message);
        (void)CopyText(event.name, sizeof event.name, SenderName(structure, message));
        timeline->events.push_back(event);
    }
}
