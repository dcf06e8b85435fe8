// The message decoder on any bytes: no crash, no read outside the buffer,
// no endless loop, and a timeline that holds together. The same input goes
// through the frame-by-frame interface too, keeping every entity.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "decode/decode_demo.h"
#include "decode/decode_state.h"
#include "demo/demo_structure.h"

static void Require(bool holds)
{
    if (!holds)
        abort();
}

static bool Terminated(const char* text, size_t size)
{
    return memchr(text, 0, size) != NULL;
}

static void CheckTimeline(const DemoTimeline& t, size_t size)
{
    const DecodeCoverage& c = t.decoded;
    Require(c.framesDecoded <= c.frames && c.messageBytesDecoded <= c.messageBytes && c.messageBytes <= size);
    Require(c.failed == (c.framesDecoded < c.frames));
    Require(!c.failed || (c.firstFailure.offset < size && Terminated(c.firstFailure.reason, sizeof c.firstFailure.reason)));
    Require(Terminated(t.serverName, sizeof t.serverName));
    for (const TimelinePlayer& p : t.players) {
        Require(p.slot >= 0 && p.slot < DECODE_MAX_SLOTS && p.entity == p.slot + 1);
        Require(Terminated(p.name, sizeof p.name) && Terminated(p.steamId, sizeof p.steamId));
        Require(p.steamId[0] == '\0' || strncmp(p.steamId, "STEAM_0:", 8) == 0);
    }
    int rounds = 0;
    for (const TimelineEvent& e : t.events) {
        Require(e.offset < size && e.length <= size - e.offset);
        Require(Terminated(e.name, sizeof e.name) && Terminated(e.text, sizeof e.text));
        Require(Terminated(e.killerName, sizeof e.killerName) && Terminated(e.victimName, sizeof e.victimName));
        Require(Terminated(e.weapon, sizeof e.weapon) && Terminated(e.reason, sizeof e.reason));
        Require(e.frameIndex >= 0 && ((uint32_t)e.frameIndex < c.frames || c.frames == 0));
        // Pattern-found chat: all of an undecodable demo's, and what follows
        // a failing message in a frame that did not decode.
        Require(t.decodable || e.foundByPattern);
        Require(!e.foundByPattern || ((e.type == EVENT_CHAT || e.type == EVENT_NAME_CHANGE) && (!t.decodable || c.failed)));
        if (e.type == EVENT_ROUND_END) {
            Require(e.round >= 1);
            rounds++;
        }
    }
    Require(t.roundEnds.size() <= (size_t)rounds * DECODE_MAX_SLOTS);
    Require(t.recorderPath.size() <= c.frames);
}

// Every net-message frame through the frame-by-frame interface, with every
// entity kept, and the state's lookups asked after each.
static void DecodeFrameByFrame(const unsigned char* bytes, const DemoStructure& structure)
{
    static DecodeState* state = NewDecodeState();
    StartDecode(state, structure, NULL);
    for (const DemoSegment& segment : structure.segments) {
        // Frames of protocol 5 only; other layouts are not decoded anyway.
        if (structure.header.demoProtocol != 5)
            break;
        uint64_t pos = segment.offset;
        while (pos < segment.walkedEnd) {
            NetFrame frame;
            if (ReadNetFrame(bytes, (size_t)segment.walkedEnd, pos, &frame)) {
                frame.index = 0;
                FrameReport report;
                DecodeFrame(state, frame, &report);
                Require(Terminated(report.reason, sizeof report.reason));
                Require(report.decoded || report.reason[0] != '\0');
                if (report.entitiesFrom >= 0 || report.entitiesFrom == -2) {
                    const PacketEntities* packet = FindPacket(*state, (uint8_t)frame.incomingSequence);
                    if (report.decoded && packet) {
                        for (size_t i = 0; i < packet->entries.size(); i++) {
                            Require(packet->entries[i].state != NO_STATE);
                            Require(PacketEntity(*state, *packet, i).number == packet->entries[i].number);
                            Require(i == 0 || packet->entries[i - 1].number < packet->entries[i].number);
                        }
                    }
                }
                pos += 477 + frame.messageLength;
                continue;
            }
            // Not a net-message frame: step over it as the walk did.
            static const uint64_t sizes[10] = {0, 0, 9, 73, 41, 9, 93, 17, 0, 0};
            int type = bytes[pos];
            uint64_t left = segment.walkedEnd - pos;
            uint64_t step = type < 10 ? sizes[type] : 0;
            if (type == 8 && left >= 17)
                step = 33 + (uint32_t)(bytes[pos + 13] | bytes[pos + 14] << 8 | bytes[pos + 15] << 16 | (uint32_t)bytes[pos + 16] << 24);
            if (type == 9 && left >= 13)
                step = 13 + (uint32_t)(bytes[pos + 9] | bytes[pos + 10] << 8 | bytes[pos + 11] << 16 | (uint32_t)bytes[pos + 12] << 24);
            if (step == 0 || step > left)
                break;
            pos += step;
        }
    }
    FinishDecode(state);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A buffer of exactly the input's size, so a read past it is caught.
    std::vector<unsigned char> bytes(data, data + size);
    DemoStructure structure;
    ReadDemoStructure(bytes.data(), bytes.size(), &structure);
    DemoTimeline timeline;
    DecodeDemo(bytes.data(), bytes.size(), structure, &timeline);
    CheckTimeline(timeline, bytes.size());
    DecodeFrameByFrame(bytes.data(), structure);
    return 0;
}
