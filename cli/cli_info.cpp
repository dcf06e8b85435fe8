#include "cli/cli_commands.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include "cli/cli_json.h"
#include "cli/cli_timeline.h"
#include "shared/text.h"

// Messages, names and texts here are kept as far as their buffers reach: a
// cut one still reads, so the bounded copies marked (void) do not fail on it.

// The dialog's "Current Res" and map preview mean nothing here; the
// inspection's other fields do not depend on them.
static const char noCurrentSize[] = "*";
static const char noProgramDir[] = ".";

static void Key(std::string* out, const char* name)
{
    AppendJsonText(out, name);
    out->push_back(':');
}

static void JsonHeader(std::string* out, const DemoFileHeader& header)
{
    out->append("\"header\":{");
    Key(out, "magic");
    AppendJsonText(out, header.magic);
    out->append(",\"demoProtocol\":");
    AppendJsonInteger(out, header.demoProtocol);
    out->append(",\"networkProtocol\":");
    AppendJsonInteger(out, header.networkProtocol);
    out->append(",\"map\":");
    AppendJsonText(out, header.mapName);
    out->append(",\"gameDir\":");
    AppendJsonText(out, header.gameDir);
    out->append(",\"mapCrc\":");
    AppendJsonInteger(out, header.mapCrc);
    out->append(",\"directoryOffset\":");
    AppendJsonInteger(out, header.directoryOffset);
    out->push_back('}');
}

static void JsonInspection(std::string* out, const DemoInspection& inspection)
{
    out->append("\"inspection\":{");
    Key(out, "gameVersion");
    AppendJsonText(out, inspection.gameVersion ? inspection.gameVersion : "");
    out->append(",\"demoVersion\":");
    AppendJsonText(out, inspection.demoVersion);
    out->append(",\"networkVersion\":");
    AppendJsonText(out, inspection.networkVersion);
    out->append(",\"demoWidth\":");
    AppendJsonText(out, inspection.demoWidth);
    out->append(",\"demoHeight\":");
    AppendJsonText(out, inspection.demoHeight);
    out->append(inspection.isHltv ? ",\"hltv\":true" : ",\"hltv\":false");
    out->append(",\"players\":[");
    for (size_t i = 0; i < inspection.playerNames.size(); i++) {
        if (i)
            out->push_back(',');
        AppendJsonText(out, inspection.playerNames[i].text);
    }
    out->append("]}");
}

static void JsonSegment(std::string* out, const DemoSegment& segment)
{
    out->append("{\"type\":");
    AppendJsonInteger(out, segment.type);
    out->append(",\"description\":");
    AppendJsonText(out, segment.description);
    out->append(",\"offset\":");
    AppendJsonInteger(out, segment.offset);
    out->append(",\"length\":");
    AppendJsonInteger(out, segment.length);
    out->append(",\"trackTime\":");
    AppendJsonFloat(out, segment.trackTime);
    out->append(",\"frameCount\":");
    AppendJsonInteger(out, segment.frameCount);
    out->append(",\"frames\":{");
    bool first = true;
    for (int type = 0; type < FRAME_TYPE_COUNT; type++) {
        if (segment.framesByType[type] == 0)
            continue;
        if (!first)
            out->push_back(',');
        first = false;
        char name[4];
        (void)FormatText(name, sizeof name, "%d", type);
        Key(out, name);
        AppendJsonInteger(out, segment.framesByType[type]);
    }
    out->append("},\"end\":");
    AppendJsonText(out, SegmentEndName(segment.end));
    out->append(",\"lastTime\":");
    AppendJsonFloat(out, segment.lastTime);
    out->push_back('}');
}

static void JsonStructure(std::string* out, const DemoStructure& structure, size_t chatCount)
{
    out->append("\"structure\":{");
    Key(out, "state");
    AppendJsonText(out, DemoStateName(structure.state));
    out->append(",\"problem\":");
    if (structure.problem[0])
        AppendJsonText(out, structure.problem);
    else
        out->append("null");
    out->append(",\"duration\":");
    AppendJsonFloat(out, structure.duration);
    out->append(",\"viewport\":");
    if (structure.viewportWidth > 0 && structure.viewportHeight > 0) {
        out->append("{\"width\":");
        AppendJsonInteger(out, structure.viewportWidth);
        out->append(",\"height\":");
        AppendJsonInteger(out, structure.viewportHeight);
        out->push_back('}');
    } else {
        out->append("null");
    }
    out->append(",\"sayTextId\":");
    if (structure.sayTextId >= 0)
        AppendJsonInteger(out, structure.sayTextId);
    else
        out->append("null");
    out->append(",\"userMessages\":");
    AppendJsonInteger(out, (long long)structure.userMessages.size());
    out->append(",\"chat\":");
    AppendJsonInteger(out, (long long)chatCount);
    out->append(",\"segments\":[");
    for (size_t i = 0; i < structure.segments.size(); i++) {
        if (i)
            out->push_back(',');
        JsonSegment(out, structure.segments[i]);
    }
    out->append("]}");
}

static void JsonServer(std::string* out, const DemoTimeline& timeline)
{
    if (timeline.maxPlayers <= 0) {
        out->append("null");
        return;
    }
    out->append("{\"name\":");
    AppendJsonText(out, timeline.serverName);
    out->append(",\"maxPlayers\":");
    AppendJsonInteger(out, timeline.maxPlayers);
    out->push_back('}');
}

static void DescribeAsJson(const char* path, size_t size, const DemoScratch& scratch, std::string* out)
{
    out->append("{\"path\":");
    AppendJsonText(out, path);
    out->append(",\"size\":");
    AppendJsonInteger(out, (long long)size);
    out->push_back(',');
    JsonHeader(out, scratch.structure.header);
    out->push_back(',');
    JsonInspection(out, scratch.inspection);
    out->push_back(',');
    JsonStructure(out, scratch.structure, ChatLineCount(scratch.structure, scratch.timeline));
    out->append(",\"decoded\":");
    AppendCoverageJson(out, scratch.timeline.decoded);
    out->append(",\"server\":");
    JsonServer(out, scratch.timeline);
    out->append(",\"recorder\":");
    AppendRecorderJson(out, scratch.timeline);
    out->append("}\n");
}

// One "  label           value" line; the value is built by the caller.
static void Label(std::string* out, const char* label)
{
    char text[24];
    (void)FormatText(text, sizeof text, "  %-16s", label);
    out->append(text);
}

static void Line(std::string* out, const char* label, const char* value)
{
    Label(out, label);
    out->append(value);
    out->push_back('\n');
}

static void DemoText(std::string* out, const char* text)
{
    AppendTerminalText(out, text, strlen(text));
}

static void TextSegment(std::string* out, const DemoSegment& segment)
{
    Label(out, "segment");
    char text[256];
    (void)FormatText(text, sizeof text, "%d ", (int)segment.type);
    out->append(text);
    DemoText(out, segment.description);
    (void)FormatText(text, sizeof text, ": offset %u, length %u, %d net frames, %u frames walked (",
             segment.offset, segment.length, (int)segment.frameCount, segment.framesWalked);
    out->append(text);
    bool first = true;
    for (int type = 0; type < FRAME_TYPE_COUNT; type++) {
        if (segment.framesByType[type] == 0)
            continue;
        (void)FormatText(text, sizeof text, "%stype %d: %u", first ? "" : ", ", type, segment.framesByType[type]);
        out->append(text);
        first = false;
    }
    char time[32];
    FormatChatTime(time, sizeof time, segment.lastTime);
    (void)FormatText(text, sizeof text, "), ends %s at %s\n", SegmentEndName(segment.end), time);
    out->append(text);
}

// How much decoded, the server and the recorder, after the chat count.
static void TextDecoded(std::string* out, const DemoTimeline& timeline)
{
    char text[STRUCTURE_PROBLEM_SIZE + 160];
    FormatCoverage(text, sizeof text, timeline.decoded);
    Line(out, "decoded", text);
    if (timeline.decoded.failed) {
        Label(out, "first failure");
        FormatFirstFailure(text, sizeof text, timeline.decoded.firstFailure);
        DemoText(out, text);
        out->push_back('\n');
    }
    Label(out, "server");
    if (timeline.maxPlayers > 0) {
        DemoText(out, timeline.serverName);
        (void)FormatText(text, sizeof text, ", %d player slot%s\n", timeline.maxPlayers,
                         timeline.maxPlayers == 1 ? "" : "s");
        out->append(text);
    } else {
        out->append("unknown\n");
    }
    Label(out, "recorder");
    if (timeline.recorderSlot < 0) {
        out->append("unknown\n");
        return;
    }
    const TimelinePlayer* player = TimelinePlayerAt(timeline, timeline.recorderSlot);
    (void)FormatText(text, sizeof text, "slot %d", timeline.recorderSlot);
    out->append(text);
    if (player && player->name[0]) {
        out->append(", ");
        DemoText(out, player->name);
    }
    if (player && player->steamId[0]) {
        out->append(", ");
        DemoText(out, player->steamId);
    }
    out->push_back('\n');
}

static void DescribeAsText(const char* path, size_t size, const DemoScratch& scratch, std::string* out)
{
    const DemoFileHeader& header = scratch.structure.header;
    const DemoInspection& inspection = scratch.inspection;
    const DemoStructure& structure = scratch.structure;
    DemoText(out, path);
    out->push_back('\n');
    char text[128];
    (void)FormatText(text, sizeof text, "%llu bytes", (unsigned long long)size);
    Line(out, "size", text);
    Label(out, "header");
    DemoText(out, header.magic);
    (void)FormatText(text, sizeof text, ", demo protocol %d, network protocol %d\n", (int)header.demoProtocol,
             (int)header.networkProtocol);
    out->append(text);
    Label(out, "map");
    DemoText(out, header.mapName);
    (void)FormatText(text, sizeof text, " (CRC %08X)\n", header.mapCrc);
    out->append(text);
    Label(out, "game dir");
    DemoText(out, header.gameDir);
    out->push_back('\n');
    Line(out, "game version", inspection.gameVersion ? inspection.gameVersion : "");
    // The inspector's 4:3 signature size, "*" when it found none.
    if (strcmp(inspection.demoWidth, "*") == 0)
        (void)FormatText(text, sizeof text, "*%s", inspection.isHltv ? " (HLTV)" : "");
    else
        (void)FormatText(text, sizeof text, "%sx%s%s", inspection.demoWidth, inspection.demoHeight,
                   inspection.isHltv ? " (HLTV)" : "");
    Line(out, "demo res", text);
    Label(out, "players");
    for (size_t i = 0; i < inspection.playerNames.size(); i++) {
        if (i)
            out->append(", ");
        DemoText(out, inspection.playerNames[i].text);
    }
    if (inspection.playerNames.empty())
        out->append("none");
    out->push_back('\n');

    Line(out, "state", DemoStateName(structure.state));
    if (structure.problem[0]) {
        Label(out, "problem");
        DemoText(out, structure.problem);
        out->push_back('\n');
    }
    char time[32];
    FormatChatTime(time, sizeof time, structure.duration);
    Line(out, "duration", time);
    if (structure.viewportWidth > 0 && structure.viewportHeight > 0)
        (void)FormatText(text, sizeof text, "%dx%d", structure.viewportWidth, structure.viewportHeight);
    else
        (void)CopyText(text, sizeof text, "none");
    Line(out, "viewport", text);
    if (structure.sayTextId >= 0)
        (void)FormatText(text, sizeof text, "%d, SayText id %d", (int)structure.userMessages.size(), structure.sayTextId);
    else
        (void)FormatText(text, sizeof text, "%d, no SayText", (int)structure.userMessages.size());
    Line(out, "user messages", text);
    const DemoTimeline& timeline = scratch.timeline;
    (void)FormatText(text, sizeof text, "%d messages", (int)ChatLineCount(structure, timeline));
    Line(out, "chat", text);
    TextDecoded(out, timeline);
    for (const DemoSegment& segment : structure.segments)
        TextSegment(out, segment);
}

void DescribeDemo(const CliOptions& options, const char* path, DemoScratch* scratch, FileOutcome* outcome)
{
    const unsigned char* bytes = scratch->bytes.data();
    size_t size = scratch->bytes.size();
    AnalyseDemo(bytes, size, noCurrentSize, noCurrentSize, noProgramDir, &scratch->inspection);
    DecodeScratchDemo(scratch);
    if (options.json)
        DescribeAsJson(path, size, *scratch, &outcome->out);
    else
        DescribeAsText(path, size, *scratch, &outcome->out);
}
