// The decoder's state over a whole demo: started once, fed every
// net-message frame in file order, asked for what it holds in between.
#include "decode/decode_parts.h"

#include "demo/little_endian.h"
#include "shared/text.h"

enum {
    NET_SEQUENCE_AT = 445,
    NET_LENGTH_AT = 473,
    NET_MESSAGES_AT = 477,
    MAX_MESSAGE_LENGTH = 65536,
    NOT_REGISTERED = -2
};

DecodeState* NewDecodeState()
{
    DecodeState* state = new DecodeState();
    state->baselines.resize(DECODE_MAX_ENTITIES);
    for (EntityState& baseline : state->baselines)
        baseline.kind = 0xFF;
    state->clients.resize(DECODE_HISTORY);
    return state;
}

void FreeDecodeState(DecodeState* state)
{
    delete state;
}

void StartSignon(DecodeState* state)
{
    state->descriptionCount = 0;
    for (int role = 0; role < ROLE_COUNT; role++) {
        state->roles[role] = -1;
        for (int axis = 0; axis < 3; axis++)
            state->origins[role][axis] = -1;
    }
    ResetEntities(state);
    // Values of the last signon are gone with it; their strings may go too.
    ClearDeltaStrings(&state->strings);
    state->maxClients = 0;
    state->recorderSlot = -1;
}

static void ClearMessage(LatestMessage* message)
{
    message->seen = false;
    message->length = 0;
}

static void ClearTimeline(DemoTimeline* timeline, bool decodable)
{
    timeline->decodable = decodable;
    memset(&timeline->decoded, 0, sizeof timeline->decoded);
    timeline->decoded.firstFailure.messageId = -1;
    timeline->serverName[0] = '\0';
    timeline->maxPlayers = 0;
    timeline->recorderSlot = -1;
    timeline->players.clear();
    timeline->events.clear();
    timeline->recorderPath.clear();
    timeline->roundEnds.clear();
    timeline->eventsDropped = 0;
}

void StartDecode(DecodeState* state, const DemoStructure& structure, DemoTimeline* timeline)
{
    state->structure = &structure;
    state->timeline = timeline;
    // Protocol 47 is laid out as 48; older ones differ in ways no sample shows.
    int net = structure.header.networkProtocol;
    state->decodable = structure.header.demoProtocol == 5 && (net == 48 || net == 47);
    state->keepAllEntities = true;
    (void)FormatText(state->undecodedReason, sizeof state->undecodedReason,
                     "demo protocol %ld, network protocol %ld: not decoded", (long)structure.header.demoProtocol,
                     (long)net);
    StartSignon(state);
    state->serverInfoSeen = false;
    state->hltvSpectator = false;
    state->serverTime = 0;
    for (int id = 0; id < 256; id++) {
        state->userMessageSizes[id] = NOT_REGISTERED;
        state->userMessageKinds[id] = USER_OTHER;
        state->userMessageNames[id][0] = '\0';
    }
    for (std::string& style : state->lightStyles)
        style.clear();
    for (DecodedPlayer& player : state->players) {
        player.seen = player.present = false;
        player.userId = 0;
        player.userInfo.clear();
        player.name[0] = player.steamId[0] = '\0';
        player.bot = player.hltv = false;
        player.team = TEAM_NONE;
        player.frags = player.deaths = 0;
        ClearMessage(&player.teamInfo);
        ClearMessage(&player.scoreInfo);
        ClearMessage(&player.scoreAttrib);
    }
    state->teamScoreCount = 0;
    ClearMessage(&state->money);
    ClearMessage(&state->health);
    ClearMessage(&state->curWeapon);
    ClearMessage(&state->roundTime);
    state->roundTimeAt = 0;
    StartGameState(state);
    if (timeline)
        ClearTimeline(timeline, state->decodable);
}

void TrimDecodeState(DecodeState* state)
{
    // A few thousand states is what real packet histories hold.
    const size_t usual = 32768;
    if (state->entityCount <= usual)
        return;
    ResetEntities(state);
    state->entityBlocks.clear();
    state->entityCount = 0;
    std::vector<uint32_t>().swap(state->freeStates);
    std::vector<uint8_t>().swap(state->entityMarks);
    for (PacketEntities& packet : state->packets)
        std::vector<PacketEntry>().swap(packet.entries);
    std::vector<PacketEntry>().swap(state->scratchEntries);
}

bool ReadNetFrame(const unsigned char* bytes, size_t size, uint64_t offset, NetFrame* frame)
{
    if (offset > size || size - offset < NET_MESSAGES_AT)
        return false;
    const unsigned char* at = bytes + offset;
    if (at[0] != 0 && at[0] != 1)
        return false;
    int32_t length = ReadI32(at + NET_LENGTH_AT);
    if (length < 0 || length > MAX_MESSAGE_LENGTH || (uint64_t)length > size - offset - NET_MESSAGES_AT)
        return false;
    frame->offset = offset;
    frame->type = at[0];
    frame->time = ReadF32(at + 1);
    frame->incomingSequence = ReadI32(at + NET_SEQUENCE_AT);
    frame->messages = at + NET_MESSAGES_AT;
    frame->messageLength = (uint32_t)length;
    frame->messagesOffset = offset + NET_MESSAGES_AT;
    return true;
}

static void Count(DecodeState* state, const NetFrame& frame, const FrameReport& report)
{
    if (!state->timeline)
        return;
    DecodeCoverage* coverage = &state->timeline->decoded;
    coverage->frames++;
    coverage->messageBytes += frame.messageLength;
    if (report.decoded) {
        coverage->framesDecoded++;
        coverage->messageBytesDecoded += frame.messageLength;
    } else if (!coverage->failed) {
        coverage->failed = true;
        coverage->firstFailure.offset = frame.offset;
        coverage->firstFailure.messageId = report.failedMessage;
        (void)CopyText(coverage->firstFailure.reason, sizeof coverage->firstFailure.reason, report.reason);
    }
}

void DecodeFrame(DecodeState* state, const NetFrame& frame, FrameReport* report)
{
    report->decoded = false;
    report->failedMessage = -1;
    report->failedAt = 0;
    report->reason[0] = '\0';
    report->entitiesFrom = -1;
    report->clientdataFrom = -1;
    report->entitiesAt = report->entitiesEnd = report->clientdataAt = report->clientdataEnd = 0;
    report->serverInfo = false;
    report->signonNum = false;
    if (!state->decodable || (!frame.messages && frame.messageLength > 0)) {
        (void)CopyText(report->reason, sizeof report->reason, state->undecodedReason);
        Count(state, frame, *report);
        return;
    }
    FrameContext context;
    context.state = state;
    context.frame = &frame;
    context.report = report;
    context.messageAt = 0;
    context.id = -1;
    state->tracking.clientdataThisFrame = false;
    report->decoded = DecodeMessages(&context);
    if (!report->decoded) {
        report->failedMessage = context.id;
        report->failedAt = context.messageAt;
    }
    EndFrameGameState(&context);
    Count(state, frame, *report);
}

void FinishDecode(DecodeState* state)
{
    FinishGameState(state);
}

const PacketEntities* FindPacket(const DecodeState& state, uint8_t sequence)
{
    const PacketEntities& packet = state.packets[sequence & (DECODE_HISTORY - 1)];
    return packet.valid && packet.sequence == sequence ? &packet : NULL;
}

const ClientState* FindClientState(const DecodeState& state, uint8_t sequence)
{
    const ClientState& client = state.clients[sequence & (DECODE_HISTORY - 1)];
    return client.valid && client.sequence == sequence ? &client : NULL;
}

const EntityState& PacketEntity(const DecodeState& state, const PacketEntities& packet, size_t i)
{
    uint32_t id = packet.entries[i].state;
    return state.entityBlocks[id / DECODE_POOL_BLOCK][id % DECODE_POOL_BLOCK];
}

const DeltaDescription* RoleDescription(const DecodeState& state, DescriptionRole role)
{
    int index = state.roles[role];
    return index >= 0 ? &state.descriptions[index] : NULL;
}

const DeltaDescription* EntityDescription(const DecodeState& state, int kind)
{
    static const DescriptionRole roles[] = {ROLE_ENTITY, ROLE_PLAYER, ROLE_CUSTOM};
    return kind >= 0 && kind <= ENTITY_CUSTOM ? RoleDescription(state, roles[kind]) : NULL;
}
