#include "decode/cut_carry.h"

#include <math.h>
#include <string.h>

#include <memory>
#include <string>

#include "decode/cut_messages.h"
#include "decode/decode_state.h"
#include "shared/text.h"

// Problems are kept as far as their buffers reach: a cut one still reads, so
// the bounded copies marked (void) do not fail on it.

enum {
    SVC_LIGHTSTYLE = 12,
    MAX_MESSAGE_LENGTH = 65536,
    NO_BASELINE = 0xFF,
    // Which frame last filled a history slot: a Playback frame's index, or
    // one of these.
    FILLED_BY_NONE = -1,
    FILLED_BY_LOADING = -2
};

// One decoding of the original, and what the cut makes of it.
struct Carry {
    const CutSource* source;
    DecodeState* state;
    size_t start;
    int packetFiller[DECODE_HISTORY], clientFiller[DECODE_HISTORY];
    CutReport* report;
    std::vector<EntityRecordOut> records;
    std::vector<WeaponRecordOut> weapons;
};

static thread_local DecodeState* keptStates[2];

DecodeState* CutDecodeState(int which)
{
    if (!keptStates[which])
        keptStates[which] = NewDecodeState();
    return keptStates[which];
}

void ReleaseCutDecodeStates()
{
    for (DecodeState*& state : keptStates) {
        FreeDecodeState(state);
        state = NULL;
    }
}

static bool IsNetMessage(int type)
{
    return type == 0 || type == 1;
}

// "what at m:ss.s: reason" as the problem; false.
static bool FailAt(CutReport* report, const char* what, double time, const char* reason)
{
    long long tenths = (long long)llround(time * 10.0);
    if (tenths < 0)
        tenths = 0;
    (void)FormatText(report->problem, sizeof report->problem, "%s at %lld:%02lld.%lld%s%s", what, tenths / 600,
                     tenths / 10 % 60, tenths % 10, reason[0] ? ": " : "", reason);
    return false;
}

// Decodes one net-message frame of bytes; false when it does not decode.
static bool DecodeOne(DecodeState* state, const unsigned char* bytes, size_t size, const CutFrame& frame,
                      NetFrame* net, FrameReport* report)
{
    if (!ReadNetFrame(bytes, size, frame.offset, net)) {
        (void)CopyText(report->reason, sizeof report->reason, "not a whole net-message frame");
        return false;
    }
    DecodeFrame(state, *net, report);
    return report->decoded;
}

static void NoteFillers(Carry* carry, const NetFrame& net, const FrameReport& report, int filler)
{
    int slot = net.incomingSequence & (DECODE_HISTORY - 1);
    if (report.entitiesEnd > report.entitiesAt)
        carry->packetFiller[slot] = filler;
    if (report.clientdataFrom != -1)
        carry->clientFiller[slot] = filler;
}

// A delta from a slot that only a cut frame filled.
static bool RefersBack(const Carry& carry, const int* fillers, int fromSequence)
{
    if (fromSequence < 0)
        return false;
    int filler = fillers[fromSequence & (DECODE_HISTORY - 1)];
    return filler >= 0 && (size_t)filler < carry.start;
}

// Whether a later frame could still refer to a cut frame: some valid slot
// was last filled by one.
static bool AnyStaleSlot(const Carry& carry)
{
    for (int slot = 0; slot < DECODE_HISTORY; slot++) {
        const DecodeState& state = *carry.state;
        int packet = carry.packetFiller[slot], client = carry.clientFiller[slot];
        if (state.packets[slot].valid && packet >= 0 && (size_t)packet < carry.start)
            return true;
        if (state.clients[(size_t)slot].valid && client >= 0 && (size_t)client < carry.start)
            return true;
    }
    return false;
}

double TimeWindowUnits(const DeltaField& field)
{
    uint32_t type = field.type & ~(uint32_t)DT_SIGNED;
    if (type == DT_TIMEWINDOW_8)
        return 100.0;
    if (type == DT_TIMEWINDOW_BIG)
        return field.premultiply != 0.0f && !(field.premultiply > 0.9999f && field.premultiply < 1.0001f)
                   ? field.premultiply
                   : 1.0;
    return 0.0;
}

// The fields whose values differ, a time window by the time it stands for.
static uint64_t DifferentFields(const DeltaDescription& description, const DeltaValues* from, float fromBase,
                                const DeltaValues& to, float toBase)
{
    uint64_t sent = 0;
    for (int i = 0; i < description.fieldCount; i++) {
        int32_t before = from ? from->raw[i] : 0;
        double units = TimeWindowUnits(description.fields[i]);
        bool differs = to.raw[i] != before;
        if (units != 0.0 && (differs || fromBase != toBase))
            differs = fabs(((double)toBase * units - to.raw[i]) - ((double)fromBase * units - before)) >= 0.5;
        if (differs)
            sent |= 1ull << i;
    }
    return sent;
}

// Time windows sent at serverTime count back from it: a value is moved from
// its own base, and clamped as the server's writer clamps it when it lies
// further back than its bits reach.
static void RebaseTimeWindows(const DeltaDescription& description, DeltaValues* values, float base, float serverTime,
                              uint64_t sent, uint32_t* clamped)
{
    for (int i = 0; i < description.fieldCount; i++) {
        double units = TimeWindowUnits(description.fields[i]);
        if (units == 0.0 || !(sent >> i & 1) || base == serverTime)
            continue;
        double moved = values->raw[i] + llround(((double)serverTime - (double)base) * units);
        int bits = description.fields[i].readBits;
        double limit = bits >= 2 && bits <= 32 ? (double)((1ull << (bits - 1)) - 1) : 127.0;
        if (moved > limit || moved < -limit) {
            moved = moved > 0 ? limit : -limit;
            (*clamped)++;
        }
        values->raw[i] = (int32_t)moved;
    }
}

// An entity state as values of another kind's description, as the decoder
// reads a record whose base is of another kind. NULL: all zero.
static const DeltaValues* ValuesAs(const DecodeState& state, const EntityState& from, int kind,
                                   DeltaValues* converted)
{
    if (from.kind == kind)
        return &from.values;
    const DeltaDescription* held = EntityDescription(state, from.kind);
    const DeltaDescription* wanted = EntityDescription(state, kind);
    if (!held || !wanted)
        return NULL;
    ConvertDeltaValues(*held, from.values, *wanted, converted);
    return converted;
}

// A record of entity against from (NULL: its baseline).
static void AddRecord(Carry* carry, const EntityState& entity, const EntityState* from, float serverTime,
                      bool always)
{
    const DecodeState& state = *carry->state;
    if (!from && state.baselines[entity.number].kind != NO_BASELINE)
        from = &state.baselines[entity.number];
    DeltaValues converted;
    const DeltaValues* fromValues = from ? ValuesAs(state, *from, entity.kind, &converted) : NULL;
    const DeltaDescription* description = EntityDescription(state, entity.kind);
    EntityRecordOut record;
    record.number = entity.number;
    record.remove = false;
    record.custom = entity.kind == ENTITY_CUSTOM;
    record.description = description;
    record.values = entity.values;
    record.sent = DifferentFields(*description, fromValues, from ? from->timeBase : 0.0f, entity.values,
                                  entity.timeBase);
    if (!record.sent && !always)
        return;
    RebaseTimeWindows(*description, &record.values, entity.timeBase, serverTime, record.sent,
                      &carry->report->clampedTimeFields);
    carry->records.push_back(record);
}

// The entity list of packet as a full packet against the baselines, or as a
// delta against base.
static void AppendEntities(Carry* carry, const PacketEntities& packet, const PacketEntities* base,
                           std::vector<unsigned char>* out)
{
    const DecodeState& state = *carry->state;
    carry->records.clear();
    size_t count = packet.entries.size(), baseCount = base ? base->entries.size() : 0;
    size_t i = 0, j = 0;
    while (i < count || j < baseCount) {
        int number = i < count ? (int)PacketEntity(state, packet, i).number : (int)DECODE_MAX_ENTITIES;
        int baseNumber = j < baseCount ? (int)PacketEntity(state, *base, j).number : (int)DECODE_MAX_ENTITIES;
        if (baseNumber < number) {
            EntityRecordOut removal;
            memset(&removal, 0, sizeof removal);
            removal.number = baseNumber;
            removal.remove = true;
            carry->records.push_back(removal);
            j++;
            continue;
        }
        const EntityState* from = NULL;
        if (baseNumber == number)
            from = &PacketEntity(state, *base, j++);
        AddRecord(carry, PacketEntity(state, packet, i++), from, packet.serverTime, base == NULL);
    }
    AppendPacketEntities(out, base != NULL, base ? base->sequence : -1, (int)count, carry->records.data(),
                         carry->records.size(), state.instancedCount > 0, &state.strings);
}

// clientdata and weapons against zero, or against base.
static void AppendClient(Carry* carry, const ClientState& client, const ClientState* base,
                         std::vector<unsigned char>* out)
{
    const DecodeState& state = *carry->state;
    const DeltaDescription* clientdata = RoleDescription(state, ROLE_CLIENTDATA);
    const DeltaDescription* weapon = RoleDescription(state, ROLE_WEAPON);
    carry->weapons.clear();
    static const DeltaValues zero = {};
    for (int i = 0; weapon && i < DECODE_MAX_WEAPONS; i++) {
        bool held = client.weaponsHeld >> i & 1, baseHeld = base && (base->weaponsHeld >> i & 1);
        if (!held && !baseHeld)
            continue;
        WeaponRecordOut record;
        record.index = i;
        record.values = held ? client.weapons[i] : zero;
        record.sent = ChangedDeltaFields(*weapon, baseHeld ? &base->weapons[i] : NULL, record.values);
        if (record.sent)
            carry->weapons.push_back(record);
    }
    uint64_t sent = ChangedDeltaFields(*clientdata, base ? &base->clientdata : NULL, client.clientdata);
    AppendClientData(out, base ? base->sequence : -1, *clientdata, client.clientdata, sent,
                     weapon ? *weapon : *clientdata, carry->weapons.data(), carry->weapons.size(), &state.strings);
}

// A user message as the demo sent it: id, a length byte when its size is
// variable, the payload.
static void AppendUserMessage(const DecodeState& state, const LatestMessage& message, std::vector<unsigned char>* out)
{
    if (!message.seen)
        return;
    out->push_back(message.id);
    if (state.userMessageSizes[message.id] == -1)
        out->push_back((unsigned char)message.length);
    out->insert(out->end(), message.payload, message.payload + message.length);
}

// The reliable state the cut frames built, as the messages that build it:
// player infos, light styles changed since the signon, teams, scores and the
// recorder's HUD values. RoundTime comes later, when the start frame's time
// is known.
static void AppendReliableState(const DecodeState& state, const std::string* signonStyles,
                                std::vector<unsigned char>* out)
{
    for (const DecodedPlayer& player : state.players) {
        if (player.seen)
            out->insert(out->end(), player.userInfo.begin(), player.userInfo.end());
    }
    for (int i = 0; i < DECODE_LIGHT_STYLES; i++) {
        if (state.lightStyles[i] == signonStyles[i])
            continue;
        out->push_back(SVC_LIGHTSTYLE);
        out->push_back((unsigned char)i);
        out->insert(out->end(), state.lightStyles[i].begin(), state.lightStyles[i].end());
        out->push_back(0);
    }
    for (const DecodedPlayer& player : state.players) {
        AppendUserMessage(state, player.teamInfo, out);
        AppendUserMessage(state, player.scoreInfo, out);
        AppendUserMessage(state, player.scoreAttrib, out);
    }
    for (int i = 0; i < state.teamScoreCount; i++)
        AppendUserMessage(state, state.teamScores[i].message, out);
    AppendUserMessage(state, state.money, out);
    AppendUserMessage(state, state.health, out);
    AppendUserMessage(state, state.curWeapon, out);
}

static int RoundSeconds(const LatestMessage& message)
{
    return message.length >= 2 ? (int16_t)(message.payload[0] | message.payload[1] << 8) : 0;
}

// RoundTime as the seconds left at now, when the demo had one.
static void AppendRoundTime(const DecodeState& state, const LatestMessage& latest, float arrived, float now,
                            std::vector<unsigned char>* out)
{
    if (!latest.seen || latest.length < 2)
        return;
    long left = lround(RoundSeconds(latest) - ((double)now - (double)arrived));
    LatestMessage message = latest;
    message.payload[0] = (unsigned char)(left < 0 ? 0 : left & 0xFF);
    message.payload[1] = (unsigned char)(left < 0 ? 0 : (left >> 8) & 0x7F);
    AppendUserMessage(state, message, out);
}

// The frame's messages with the entity list and clientdata replaced (NULL:
// kept) and prefix before them all.
static void Splice(const NetFrame& net, const FrameReport& report, const std::vector<unsigned char>& prefix,
                   const std::vector<unsigned char>* entities, const std::vector<unsigned char>* client,
                   std::vector<unsigned char>* out)
{
    struct Part {
        uint32_t at, end;
        const std::vector<unsigned char>* bytes;
    } parts[2] = {{report.entitiesAt, report.entitiesEnd, entities},
                  {report.clientdataAt, report.clientdataEnd, client}};
    if (parts[1].at < parts[0].at) {
        Part first = parts[1];
        parts[1] = parts[0];
        parts[0] = first;
    }
    out->assign(prefix.begin(), prefix.end());
    uint32_t copied = 0;
    for (const Part& part : parts) {
        if (!part.bytes)
            continue;
        out->insert(out->end(), net.messages + copied, net.messages + part.at);
        out->insert(out->end(), part.bytes->begin(), part.bytes->end());
        copied = part.end;
    }
    out->insert(out->end(), net.messages + copied, net.messages + net.messageLength);
}

static bool FitsFrame(Carry* carry, const CarriedFrame& carried)
{
    if (carried.messages.size() <= MAX_MESSAGE_LENGTH)
        return true;
    return FailAt(carry->report, "the rewritten frame", carry->source->playback[carried.frame].time,
                  "it would need more than 65536 message bytes");
}

// The start frame: the reliable state first, then its own messages with its
// entity list full and its clientdata against zero.
static bool CarryStartFrame(Carry* carry, const NetFrame& net, const FrameReport& report,
                            std::vector<unsigned char>* prefix, const LatestMessage& roundTime, float roundTimeAt,
                            CarriedFrame* carried)
{
    DecodeState* state = carry->state;
    AppendRoundTime(*state, roundTime, roundTimeAt, state->serverTime, prefix);
    std::vector<unsigned char> entities, client;
    AppendEntities(carry, state->packets[state->latestPacket], NULL, &entities);
    bool clientSent = report.clientdataFrom != -1 && state->latestClient >= 0;
    if (clientSent)
        AppendClient(carry, state->clients[(size_t)state->latestClient], NULL, &client);
    Splice(net, report, *prefix, &entities, clientSent ? &client : NULL, &carried->messages);
    return FitsFrame(carry, *carried);
}

// A later frame that still refers back: what refers back becomes a delta
// against the latest kept frame, or a full update when none is left.
static bool CarryLaterFrame(Carry* carry, const NetFrame& net, const FrameReport& report, int basePacket,
                            int32_t basePacketSequence, int baseClient, uint8_t baseClientSequence,
                            CarriedFrame* carried)
{
    DecodeState* state = carry->state;
    std::vector<unsigned char> entities, client;
    bool entitiesBack = RefersBack(*carry, carry->packetFiller, report.entitiesFrom);
    bool clientBack = RefersBack(*carry, carry->clientFiller, report.clientdataFrom);
    if (entitiesBack) {
        // The base survives unless this frame's packet took its slot.
        const PacketEntities* base = basePacket >= 0 ? &state->packets[basePacket] : NULL;
        if (base && (!base->valid || base->incomingSequence != basePacketSequence))
            base = NULL;
        AppendEntities(carry, state->packets[state->latestPacket], base, &entities);
    }
    if (clientBack) {
        const ClientState* base = baseClient >= 0 ? &state->clients[(size_t)baseClient] : NULL;
        if (base && (!base->valid || base->sequence != baseClientSequence))
            base = NULL;
        AppendClient(carry, state->clients[(size_t)state->latestClient], base, &client);
    }
    std::vector<unsigned char> none;
    Splice(net, report, none, entitiesBack ? &entities : NULL, clientBack ? &client : NULL, &carried->messages);
    return FitsFrame(carry, *carried);
}

bool CarryState(const CutSource& source, size_t* start, size_t end, CarryPlan* plan, CutReport* report)
{
    Carry carry;
    carry.source = &source;
    carry.state = CutDecodeState(0);
    carry.start = *start;
    carry.report = report;
    for (int slot = 0; slot < DECODE_HISTORY; slot++)
        carry.packetFiller[slot] = carry.clientFiller[slot] = FILLED_BY_NONE;
    DecodeState* state = carry.state;
    StartDecode(state, *source.structure, NULL);
    std::vector<CarriedFrame>* carried = &plan->carried;
    carried->clear();
    plan->newSignon = false;
    plan->signonFirst = plan->signonLast = 0;

    NetFrame net;
    FrameReport frameReport;
    for (const CutFrame& frame : source.loading) {
        if (!IsNetMessage(frame.type))
            continue;
        if (!DecodeOne(state, source.bytes, source.size, frame, &net, &frameReport))
            return FailAt(report, "cannot decode the LOADING frame", frame.time, frameReport.reason);
        NoteFillers(&carry, net, frameReport, FILLED_BY_LOADING);
    }
    std::string signonStyles[DECODE_LIGHT_STYLES];
    for (int i = 0; i < DECODE_LIGHT_STYLES; i++)
        signonStyles[i] = state->lightStyles[i];

    // The frames cut away, and the start frame: the first from *start on
    // that holds an entity list. A signon inside Playback (a reconnection or
    // a new map) starts history afresh and becomes the cut's LOADING.
    const std::vector<CutFrame>& frames = source.playback;
    std::vector<unsigned char> prefix;
    LatestMessage roundTime;
    float roundTimeAt = 0;
    bool inSignon = false;
    size_t k = 0;
    for (; k <= end; k++) {
        if (!IsNetMessage(frames[k].type))
            continue;
        if (k >= *start && !inSignon) {
            prefix.clear();
            AppendReliableState(*state, signonStyles, &prefix);
            roundTime = state->roundTime;
            roundTimeAt = state->roundTimeAt;
        }
        if (!DecodeOne(state, source.bytes, source.size, frames[k], &net, &frameReport))
            return FailAt(report, "cannot decode the frame", frames[k].time, frameReport.reason);
        if (frameReport.serverInfo) {
            inSignon = plan->newSignon = true;
            plan->signonFirst = k;
            for (int slot = 0; slot < DECODE_HISTORY; slot++)
                carry.packetFiller[slot] = carry.clientFiller[slot] = FILLED_BY_NONE;
        }
        carry.start = k;
        if (inSignon) {
            NoteFillers(&carry, net, frameReport, FILLED_BY_LOADING);
            if (frameReport.signonNum) {
                inSignon = false;
                plan->signonLast = k;
                for (int i = 0; i < DECODE_LIGHT_STYLES; i++)
                    signonStyles[i] = state->lightStyles[i];
            }
            continue;
        }
        if (k >= *start && frameReport.entitiesEnd > frameReport.entitiesAt && state->latestPacket >= 0)
            break;
        NoteFillers(&carry, net, frameReport, (int)k);
    }
    if (k > end)
        return FailAt(report, "no frame holds entities in the span from", frames[*start].time, "");
    *start = k;
    CarriedFrame first;
    first.frame = k;
    if (!CarryStartFrame(&carry, net, frameReport, &prefix, roundTime, roundTimeAt, &first))
        return false;
    carried->push_back(std::move(first));
    NoteFillers(&carry, net, frameReport, (int)k);

    // Later frames, while any slot a cut frame filled can still be named.
    for (k++; k <= end && AnyStaleSlot(carry); k++) {
        if (!IsNetMessage(frames[k].type))
            continue;
        int basePacket = state->latestPacket, baseClient = state->latestClient;
        int32_t basePacketSequence = basePacket >= 0 ? state->packets[basePacket].incomingSequence : 0;
        uint8_t baseClientSequence = baseClient >= 0 ? state->clients[(size_t)baseClient].sequence : 0;
        if (!DecodeOne(state, source.bytes, source.size, frames[k], &net, &frameReport))
            return FailAt(report, "cannot decode the frame", frames[k].time, frameReport.reason);
        if (RefersBack(carry, carry.packetFiller, frameReport.entitiesFrom) ||
            RefersBack(carry, carry.clientFiller, frameReport.clientdataFrom)) {
            CarriedFrame later;
            later.frame = k;
            if (!CarryLaterFrame(&carry, net, frameReport, basePacket, basePacketSequence, baseClient,
                                 baseClientSequence, &later))
                return false;
            carried->push_back(std::move(later));
        }
        NoteFillers(&carry, net, frameReport, (int)k);
    }
    return true;
}
