#include "cli/cli_commands.h"

#include <math.h>
#include <string.h>

#include "cli/cli_json.h"
#include "cli/cli_timeline.h"
#include "shared/text.h"

// Messages, names and texts here are kept as far as their buffers reach: a
// cut one still reads, so the bounded copies marked (void) do not fail on it.

void FormatChatTime(char* dest, size_t size, float seconds)
{
    // Beyond a few million seconds a float no longer holds tenths anyway.
    if (!isfinite(seconds) || seconds < 0 || seconds > 1e9f) {
        (void)CopyText(dest, size, "-");
        return;
    }
    long long tenths = (long long)llround((double)seconds * 10.0);
    (void)FormatText(dest, size, "%lld:%02lld.%lld", tenths / 600, tenths / 10 % 60, tenths % 10);
}

static void ChatAsJson(const char* path, const DemoStructure& structure, std::string* out)
{
    out->append("{\"path\":");
    AppendJsonText(out, path);
    out->append(",\"chat\":[");
    char text[CHAT_TEXT_SIZE];
    for (size_t i = 0; i < structure.chat.size(); i++) {
        const ChatMessage& message = structure.chat[i];
        if (i)
            out->push_back(',');
        out->append("{\"time\":");
        AppendJsonFloat(out, message.time);
        out->append(",\"kind\":");
        AppendJsonText(out, ChatKindName(ClassifyChat(message)));
        out->append(",\"sender\":");
        AppendJsonInteger(out, message.sender);
        out->append(",\"name\":");
        AppendJsonText(out, SenderName(structure, message));
        out->append(",\"text\":");
        ChatText(text, sizeof text, message);
        AppendJsonText(out, text);
        out->push_back('}');
    }
    out->append("]}\n");
}

// "  m:ss.s  kind        sender  name: text"
static void ChatAsText(const char* path, const DemoStructure& structure, std::string* out)
{
    AppendTerminalText(out, path, strlen(path));
    out->push_back('\n');
    char time[32];
    char line[64];
    char text[CHAT_TEXT_SIZE];
    for (const ChatMessage& message : structure.chat) {
        FormatChatTime(time, sizeof time, message.time);
        (void)FormatText(line, sizeof line, "  %8s  %-11s %3d  ", time, ChatKindName(ClassifyChat(message)),
                   message.sender);
        out->append(line);
        const char* name = SenderName(structure, message);
        if (name[0]) {
            AppendTerminalText(out, name, strlen(name));
            out->append(": ");
        }
        ChatText(text, sizeof text, message);
        AppendTerminalText(out, text, strlen(text));
        out->push_back('\n');
    }
    if (structure.chat.empty())
        out->append("  (no chat)\n");
}

static void DecodedChatAsJson(const char* path, const DemoTimeline& timeline, std::string* out)
{
    out->append("{\"path\":");
    AppendJsonText(out, path);
    out->append(",\"chat\":[");
    char text[TIMELINE_TEXT_SIZE + 2 * TIMELINE_NAME_SIZE];
    bool first = true;
    for (const TimelineEvent& event : timeline.events) {
        if (!IsChatLine(event))
            continue;
        if (!first)
            out->push_back(',');
        first = false;
        out->append("{\"time\":");
        AppendJsonFloat(out, event.time);
        out->append(",\"kind\":");
        AppendJsonText(out, ChatKindName(ChatLineKind(event)));
        out->append(",\"sender\":");
        AppendJsonInteger(out, event.entity);
        out->append(",\"name\":");
        AppendJsonText(out, ChatLineName(event));
        out->append(",\"text\":");
        ChatLineText(text, sizeof text, event);
        AppendJsonText(out, text);
        out->push_back('}');
    }
    out->append("]}\n");
}

static void DecodedChatAsText(const char* path, const DemoTimeline& timeline, std::string* out)
{
    AppendTerminalText(out, path, strlen(path));
    out->push_back('\n');
    bool any = false;
    for (const TimelineEvent& event : timeline.events) {
        if (!IsChatLine(event))
            continue;
        any = true;
        AppendChatLine(out, event);
    }
    if (!any)
        out->append("  (no chat)\n");
}

// Decoded where the demo can be decoded; elsewhere the structure's pattern search.
void ListChat(const CliOptions& options, const char* path, DemoScratch* scratch, FileOutcome* outcome)
{
    DecodeScratchDemo(scratch);
    if (scratch->timeline.decodable) {
        if (options.json)
            DecodedChatAsJson(path, scratch->timeline, &outcome->out);
        else
            DecodedChatAsText(path, scratch->timeline, &outcome->out);
    } else if (options.json) {
        ChatAsJson(path, scratch->structure, &outcome->out);
    } else {
        ChatAsText(path, scratch->structure, &outcome->out);
    }
}
