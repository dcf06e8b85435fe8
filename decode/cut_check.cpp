// A cut checked before it is written: decoded beside the original, with the
// state the cut promises to keep compared after the start frame and after
// every rewritten frame, and every later frame decoded.
#include <math.h>
#include <string.h>

#include "decode/cut_carry.h"
#include "decode/decode_state.h"
#include "shared/text.h"

// Differences are described as far as the buffer reaches: a cut text still
// reads, so the bounded writes marked (void) do not fail on it.

static bool IsNetMessage(int type)
{
    return type == 0 || type == 1;
}

static bool Differs(char* why, size_t whySize, const char* what, int index)
{
    (void)FormatText(why, whySize, "%s %d differs", what, index);
    return false;
}

static bool SameValue(const DeltaField& field, int32_t a, const DeltaStrings& aStrings, float aBase, int32_t b,
                      const DeltaStrings& bStrings, float bBase)
{
    uint32_t type = field.type & ~(uint32_t)DT_SIGNED;
    if (type == DT_STRING)
        return strcmp(DeltaString(aStrings, a), DeltaString(bStrings, b)) == 0;
    if (type != DT_TIMEWINDOW_8 && type != DT_TIMEWINDOW_BIG)
        return a == b;
    if (a == b && aBase == bBase)
        return true;
    // By the time each stands for, to the rounding a move to another base
    // makes; or clamped by the writer (b at its limit, a further back).
    double units = TimeWindowUnits(field);
    double aTime = (double)aBase * units - a, bTime = (double)bBase * units - b;
    if (fabs(aTime - bTime) <= 0.5 + 1e-6)
        return true;
    int bits = field.readBits;
    int32_t limit = bits >= 2 && bits <= 32 ? (int32_t)((1ull << (bits - 1)) - 1) : 127;
    return (b == limit && aTime < bTime) || (b == -limit && aTime > bTime);
}

static bool SameValues(const DeltaDescription& description, const DeltaValues& a, const DeltaStrings& aStrings,
                       float aBase, const DeltaValues& b, const DeltaStrings& bStrings, float bBase)
{
    for (int i = 0; i < description.fieldCount; i++) {
        if (!SameValue(description.fields[i], a.raw[i], aStrings, aBase, b.raw[i], bStrings, bBase))
            return false;
    }
    return true;
}

static bool SameMessage(const LatestMessage& a, const LatestMessage& b)
{
    return a.seen == b.seen && (!a.seen || (a.id == b.id && a.length == b.length &&
                                            memcmp(a.payload, b.payload, a.length) == 0));
}

static const LatestMessage* TeamScoreOf(const DecodeState& state, const char* team)
{
    for (int i = 0; i < state.teamScoreCount; i++) {
        if (strcmp(state.teamScores[i].team, team) == 0)
            return &state.teamScores[i].message;
    }
    return NULL;
}

// The seconds RoundTime leaves at the state's server time; a timer that ran
// out shows 0.
static double RoundTimeLeft(const DecodeState& state)
{
    const LatestMessage& message = state.roundTime;
    int seconds = message.length >= 2 ? (int16_t)(message.payload[0] | message.payload[1] << 8) : 0;
    double left = seconds - ((double)state.serverTime - (double)state.roundTimeAt);
    return left > 0 ? left : 0;
}

static bool SameEntities(const DecodeState& a, const DecodeState& b, char* why, size_t whySize)
{
    if ((a.latestPacket < 0) != (b.latestPacket < 0))
        return (void)CopyText(why, whySize, "one has entities, the other none"), false;
    if (a.latestPacket < 0)
        return true;
    const PacketEntities& pa = a.packets[a.latestPacket];
    const PacketEntities& pb = b.packets[b.latestPacket];
    if (pa.entries.size() != pb.entries.size())
        return (void)FormatText(why, whySize, "%lu entities where the original has %lu",
                                (unsigned long)pb.entries.size(), (unsigned long)pa.entries.size()),
               false;
    for (size_t i = 0; i < pa.entries.size(); i++) {
        const EntityState& ea = PacketEntity(a, pa, i);
        const EntityState& eb = PacketEntity(b, pb, i);
        const DeltaDescription* description = EntityDescription(a, ea.kind);
        if (ea.number != eb.number || ea.kind != eb.kind || !description)
            return Differs(why, whySize, "the entity list at entity", ea.number);
        if (!SameValues(*description, ea.values, a.strings, ea.timeBase, eb.values, b.strings, eb.timeBase))
            return Differs(why, whySize, "entity", ea.number);
    }
    return true;
}

static bool SameClient(const DecodeState& a, const DecodeState& b, char* why, size_t whySize)
{
    if ((a.latestClient < 0) != (b.latestClient < 0))
        return (void)CopyText(why, whySize, "one has clientdata, the other none"), false;
    if (a.latestClient < 0)
        return true;
    const ClientState& ca = a.clients[(size_t)a.latestClient];
    const ClientState& cb = b.clients[(size_t)b.latestClient];
    const DeltaDescription* clientdata = RoleDescription(a, ROLE_CLIENTDATA);
    const DeltaDescription* weapon = RoleDescription(a, ROLE_WEAPON);
    if (clientdata && !SameValues(*clientdata, ca.clientdata, a.strings, 0, cb.clientdata, b.strings, 0))
        return (void)CopyText(why, whySize, "clientdata differs"), false;
    static const DeltaValues zero = {};
    for (int i = 0; weapon && i < DECODE_MAX_WEAPONS; i++) {
        // A slot never sent holds zeros.
        const DeltaValues& wa = ca.weaponsHeld >> i & 1 ? ca.weapons[i] : zero;
        const DeltaValues& wb = cb.weaponsHeld >> i & 1 ? cb.weapons[i] : zero;
        if (!SameValues(*weapon, wa, a.strings, 0, wb, b.strings, 0))
            return Differs(why, whySize, "weapon slot", i);
    }
    return true;
}

static bool SamePlayers(const DecodeState& a, const DecodeState& b, char* why, size_t whySize)
{
    for (int slot = 0; slot < DECODE_MAX_SLOTS; slot++) {
        const DecodedPlayer& pa = a.players[slot];
        const DecodedPlayer& pb = b.players[slot];
        if (pa.present != pb.present || pa.userInfo != pb.userInfo || strcmp(pa.name, pb.name) != 0 ||
            pa.team != pb.team || pa.frags != pb.frags || pa.deaths != pb.deaths ||
            !SameMessage(pa.teamInfo, pb.teamInfo) || !SameMessage(pa.scoreInfo, pb.scoreInfo) ||
            !SameMessage(pa.scoreAttrib, pb.scoreAttrib))
            return Differs(why, whySize, "player slot", slot);
    }
    return true;
}

static bool SameRest(const DecodeState& a, const DecodeState& b, char* why, size_t whySize)
{
    for (int i = 0; i < DECODE_LIGHT_STYLES; i++) {
        if (a.lightStyles[i] != b.lightStyles[i])
            return Differs(why, whySize, "light style", i);
    }
    if (a.teamScoreCount != b.teamScoreCount)
        return (void)CopyText(why, whySize, "the team scores differ"), false;
    for (int i = 0; i < a.teamScoreCount; i++) {
        const LatestMessage* other = TeamScoreOf(b, a.teamScores[i].team);
        if (!other || !SameMessage(a.teamScores[i].message, *other))
            return (void)FormatText(why, whySize, "the score of %s differs", a.teamScores[i].team), false;
    }
    if (!SameMessage(a.money, b.money) || !SameMessage(a.health, b.health) || !SameMessage(a.curWeapon, b.curWeapon))
        return (void)CopyText(why, whySize, "the recorder's money, health or weapon differs"), false;
    if (a.roundTime.seen != b.roundTime.seen ||
        (a.roundTime.seen && fabs(RoundTimeLeft(a) - RoundTimeLeft(b)) > 0.5 + 1e-3))
        return (void)CopyText(why, whySize, "the round time left differs"), false;
    return true;
}

bool SameCarriedState(const DecodeState& original, const DecodeState& cut, char* why, size_t whySize)
{
    return SameEntities(original, cut, why, whySize) && SameClient(original, cut, why, whySize) &&
           SamePlayers(original, cut, why, whySize) && SameRest(original, cut, why, whySize);
}

static bool DecodeFrameOf(DecodeState* state, const unsigned char* bytes, size_t size, const CutFrame& frame,
                          FrameReport* report)
{
    NetFrame net;
    if (!ReadNetFrame(bytes, size, frame.offset, &net))
        return false;
    DecodeFrame(state, net, report);
    return report->decoded;
}

static bool CheckFailed(CutReport* report, const char* what, float time, const char* why)
{
    long long tenths = (long long)llround((double)time * 10.0);
    if (tenths < 0)
        tenths = 0;
    (void)FormatText(report->problem, sizeof report->problem, "the cut was not written: %s at %lld:%02lld.%lld: %s",
                     what, tenths / 600, tenths / 10 % 60, tenths % 10, why);
    return false;
}

bool CheckCut(const CutSource& source, const unsigned char* cut, size_t cutSize, size_t start,
              const std::vector<CarriedFrame>& carried, CutReport* report)
{
    DemoStructure structure;
    ReadDemoStructure(cut, cutSize, &structure);
    std::vector<CutFrame> loading, playback;
    if (structure.state != DEMO_COMPLETE || structure.segments.size() != 2 ||
        !ListSegmentFrames(cut, structure.segments[0], &loading) ||
        !ListSegmentFrames(cut, structure.segments[1], &playback))
        return CheckFailed(report, "its structure", 0, structure.problem);

    DecodeState* original = CutDecodeState(0);
    DecodeState* state = CutDecodeState(1);
    StartDecode(original, *source.structure, NULL);
    StartDecode(state, structure, NULL);
    FrameReport frameReport;
    for (const CutFrame& frame : source.loading) {
        if (IsNetMessage(frame.type) && !DecodeFrameOf(original, source.bytes, source.size, frame, &frameReport))
            return CheckFailed(report, "the original's LOADING", frame.time, frameReport.reason);
    }
    for (const CutFrame& frame : loading) {
        if (IsNetMessage(frame.type) && !DecodeFrameOf(state, cut, cutSize, frame, &frameReport))
            return CheckFailed(report, "its LOADING", frame.time, frameReport.reason);
    }
    for (size_t k = 0; k < start; k++) {
        const CutFrame& frame = source.playback[k];
        if (IsNetMessage(frame.type) && !DecodeFrameOf(original, source.bytes, source.size, frame, &frameReport))
            return CheckFailed(report, "the original", frame.time, frameReport.reason);
    }

    // The cut's Playback: its demo-start frames, then the original's from
    // the start frame on, one for one.
    size_t lead = 0;
    while (lead < playback.size() && !IsNetMessage(playback[lead].type))
        lead++;
    size_t compareUpTo = carried.empty() ? start : carried.back().frame;
    char why[CUT_PROBLEM_SIZE];
    for (size_t j = lead; j < playback.size(); j++) {
        size_t k = start + (j - lead);
        if (k >= source.playback.size() || playback[j].type != source.playback[k].type)
            return CheckFailed(report, "its frames", playback[j].time, "they do not follow the original's");
        if (!IsNetMessage(playback[j].type))
            continue;
        if (!DecodeFrameOf(state, cut, cutSize, playback[j], &frameReport))
            return CheckFailed(report, "its frame", playback[j].time, frameReport.reason);
        if (k > compareUpTo)
            continue;
        if (!DecodeFrameOf(original, source.bytes, source.size, source.playback[k], &frameReport))
            return CheckFailed(report, "the original", source.playback[k].time, frameReport.reason);
        if (!SameCarriedState(*original, *state, why, sizeof why))
            return CheckFailed(report, "its state", playback[j].time, why);
    }
    return true;
}
