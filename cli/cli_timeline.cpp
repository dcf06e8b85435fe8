#include "cli/cli_timeline.h"

#include <string.h>

#include "cli/cli_json.h"
#include "decode/decode_demo.h"
#include "shared/text.h"

// Messages, names and texts here are kept as far as their buffers reach: a
// cut one still reads, so the bounded copies marked (void) do not fail on it.

void DecodeScratchDemo(DemoScratch* scratch)
{
    const unsigned char* bytes = scratch->bytes.data();
    size_t size = scratch->bytes.size();
    ReadDemoStructure(bytes, size, &scratch->structure);
    DecodeDemo(bytes, size, scratch->structure, &scratch->timeline);
}

enum {
    SVC_NOP = 0x01,
    SAY_TEXT_KEY_AT = 3   // id, length, sender, then the format key
};

// Whether a decoded SayText carries a team key, read from the message's own
// bytes where the decoder found it.
static bool IsDecodedTeamChat(const unsigned char* bytes, size_t size, const TimelineEvent& event)
{
    if (event.type != EVENT_CHAT || event.foundByPattern || !event.steamForm)
        return false;
    if (event.offset > size || event.length > size - event.offset || event.length <= SAY_TEXT_KEY_AT)
        return false;
    ChatMessage message;
    message.steamForm = true;
    (void)CopyTextPrefix(message.key, sizeof message.key, (const char*)bytes + event.offset + SAY_TEXT_KEY_AT,
                         event.length - SAY_TEXT_KEY_AT);
    return IsSteamTeamChat(message);
}

unsigned int NopTeamChat(unsigned char* bytes, size_t size, const DemoStructure& structure,
                         const DemoTimeline& timeline)
{
    unsigned int count = 0;
    for (const TimelineEvent& event : timeline.events) {
        if (!IsDecodedTeamChat(bytes, size, event))
            continue;
        memset(bytes + event.offset, SVC_NOP, event.length);
        count++;
    }
    // The walk is exact too: it reaches the whole-byte messages of a frame
    // that did not decode; one already stripped above starts with svc_nop.
    for (const ChatMessage& message : structure.chat) {
        if (!message.foundByWalk || !IsSteamTeamChat(message))
            continue;
        if (message.offset >= size || message.length > size - message.offset || bytes[message.offset] == SVC_NOP)
            continue;
        memset(bytes + message.offset, SVC_NOP, message.length);
        count++;
    }
    return count;
}

bool IsChatLine(const TimelineEvent& event)
{
    return event.type == EVENT_CHAT || event.type == EVENT_NAME_CHANGE;
}

size_t ChatLineCount(const DemoStructure& structure, const DemoTimeline& timeline)
{
    if (!timeline.decodable)
        return structure.chat.size();
    size_t count = 0;
    for (const TimelineEvent& event : timeline.events)
        count += IsChatLine(event) ? 1 : 0;
    return count;
}

void AppendCoverageJson(std::string* out, const DecodeCoverage& coverage)
{
    out->append("{\"frames\":");
    AppendJsonInteger(out, coverage.frames);
    out->append(",\"framesDecoded\":");
    AppendJsonInteger(out, coverage.framesDecoded);
    out->append(",\"messageBytes\":");
    AppendJsonInteger(out, (long long)coverage.messageBytes);
    out->append(",\"messageBytesDecoded\":");
    AppendJsonInteger(out, (long long)coverage.messageBytesDecoded);
    out->append(",\"firstFailure\":");
    if (coverage.failed) {
        out->append("{\"offset\":");
        AppendJsonInteger(out, (long long)coverage.firstFailure.offset);
        out->append(",\"message\":");
        AppendJsonInteger(out, coverage.firstFailure.messageId);
        out->append(",\"reason\":");
        AppendJsonText(out, coverage.firstFailure.reason);
        out->push_back('}');
    } else {
        out->append("null");
    }
    out->push_back('}');
}

const TimelinePlayer* TimelinePlayerAt(const DemoTimeline& timeline, int slot)
{
    for (const TimelinePlayer& player : timeline.players) {
        if (player.slot == slot)
            return &player;
    }
    return NULL;
}

void AppendRecorderJson(std::string* out, const DemoTimeline& timeline)
{
    if (timeline.recorderSlot < 0) {
        out->append("null");
        return;
    }
    const TimelinePlayer* player = TimelinePlayerAt(timeline, timeline.recorderSlot);
    out->append("{\"slot\":");
    AppendJsonInteger(out, timeline.recorderSlot);
    out->append(",\"entity\":");
    AppendJsonInteger(out, timeline.recorderSlot + 1);
    out->append(",\"name\":");
    if (player)
        AppendJsonText(out, player->name);
    else
        out->append("null");
    out->append(",\"steamId\":");
    if (player && player->steamId[0])
        AppendJsonText(out, player->steamId);
    else
        out->append("null");
    out->push_back('}');
}

void FormatCoverage(char* dest, size_t size, const DecodeCoverage& coverage)
{
    (void)FormatText(dest, size, "%u of %u frames, %llu of %llu message bytes", coverage.framesDecoded,
                     coverage.frames, (unsigned long long)coverage.messageBytesDecoded,
                     (unsigned long long)coverage.messageBytes);
}

void FormatFirstFailure(char* dest, size_t size, const DecodeFailure& failure)
{
    (void)FormatText(dest, size, "offset %llu, message %d: %s", (unsigned long long)failure.offset,
                     failure.messageId, failure.reason);
}

void AppendEventStart(std::string* out, float time, const char* label, int number)
{
    char text[32];
    FormatChatTime(text, sizeof text, time);
    char line[64];
    if (number >= 0)
        (void)FormatText(line, sizeof line, "  %8s  %-11s %3d  ", text, label, number);
    else
        (void)FormatText(line, sizeof line, "  %8s  %-11s      ", text, label);
    out->append(line);
}

ChatKind ChatLineKind(const TimelineEvent& event)
{
    return event.type == EVENT_NAME_CHANGE ? CHAT_NAME_CHANGE : event.kind;
}

const char* ChatLineName(const TimelineEvent& event)
{
    return event.type == EVENT_NAME_CHANGE ? event.text : event.name;
}

void AppendChatLine(std::string* out, const TimelineEvent& event)
{
    AppendEventStart(out, event.time, ChatKindName(ChatLineKind(event)), event.entity);
    const char* name = ChatLineName(event);
    if (name[0]) {
        AppendTerminalText(out, name, strlen(name));
        out->append(": ");
    }
    char text[TIMELINE_TEXT_SIZE + 2 * TIMELINE_NAME_SIZE];
    ChatLineText(text, sizeof text, event);
    AppendTerminalText(out, text, strlen(text));
    out->push_back('\n');
}

void ChatLineText(char* dest, size_t size, const TimelineEvent& event)
{
    if (event.type == EVENT_NAME_CHANGE)
        (void)FormatText(dest, size, "%s changed name to %s", event.name, event.text);
    else
        (void)CopyText(dest, size, event.text);
}
