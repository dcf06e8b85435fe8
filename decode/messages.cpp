// Every message of a net-message frame, in order: engine messages by a table
// of layouts, temp entities by a table of sizes, user messages by their
// registration. A message that cannot be read stops the frame.
#include <stdio.h>

#include "decode/decode_parts.h"
#include "shared/text.h"

enum {
    FIRST_USER_MESSAGE = 64,
    SVC_SERVERINFO = 11,
    SVC_SIGNONNUM = 25,
    SVC_CLIENTDATA = 15,
    SVC_PACKETENTITIES = 40,
    SVC_DELTAPACKETENTITIES = 41,
    USER_INFO_HASH = 16,
    MOVEVARS_FIXED = 16 * 4 + 1 + 8 * 4,
    SPAWNSTATIC_FIXED = 16,        // before the render mode byte
    // Layouts of engine messages that are not a fixed size.
    BAD = -1,                      // the walk has lost its way
    TEXT = -2,                     // one NUL-terminated string
    CALL = -3                      // read by its own function
};

typedef bool (*MessageReader)(FrameContext* context, BitReader* reader);

struct EngineMessage {
    const char* name;
    signed char layout;            // bytes after the id, or BAD, TEXT, CALL
    MessageReader read;            // CALL, or a fixed-size message with something to keep
};

bool Refuse(FrameContext* context, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char* reason = context->report->reason;
    // A reason that does not fit is still a reason; it is only shown.
    (void)vsnprintf(reason, DECODE_REASON_SIZE, format, args);
    va_end(args);
    return false;
}

static bool ReadTime(FrameContext* context, BitReader* reader)
{
    uint32_t bits = ReadBits(reader, 32);
    float time;
    memcpy(&time, &bits, sizeof time);
    context->state->serverTime = time;
    return true;
}

static bool ReadServerInfo(FrameContext* context, BitReader* reader)
{
    SkipBytes(reader, 4 + 4 + 4 + 16);
    int maxClients = (int)ReadBits(reader, 8);
    int slot = (int)ReadBits(reader, 8);
    SkipBytes(reader, 1);
    size_t length;
    char hostName[TIMELINE_SERVER_NAME_SIZE];
    TakeText(reader, &length);     // game dir
    const char* text = TakeText(reader, &length);
    (void)CopyTextPrefix(hostName, sizeof hostName, text, length);
    TakeText(reader, &length);     // map file
    TakeText(reader, &length);     // map cycle
    if (ReadBits(reader, 8) != 0) {
        // Never written by a server seen; the proxy's reader skips this much.
        SkipBytes(reader, ReadBits(reader, 8));
        SkipBytes(reader, 16);
    }
    if (!reader->ok)
        return false;
    DecodeState* state = context->state;
    StartSignon(state);
    state->serverInfoSeen = true;
    state->maxClients = maxClients;
    state->recorderSlot = slot;
    TakeServerInfo(context, maxClients, slot, hostName);
    return true;
}

static bool ReadLightStyle(FrameContext* context, BitReader* reader)
{
    uint32_t index = ReadBits(reader, 8);
    size_t length;
    const char* text = TakeText(reader, &length);
    if (reader->ok)
        context->state->lightStyles[index].assign(text, length);
    return true;
}

static bool ReadUserInfo(FrameContext* context, BitReader* reader)
{
    int slot = (int)ReadBits(reader, 8);
    int32_t userId = (int32_t)ReadBits(reader, 32);
    size_t length;
    const char* info = TakeText(reader, &length);
    SkipBytes(reader, USER_INFO_HASH);
    if (!reader->ok)
        return false;
    const unsigned char* message = context->frame->messages + context->messageAt;
    TakeUserInfo(context, slot, userId, info, length, message, (reader->pos >> 3) - context->messageAt);
    return true;
}

static bool ReadNewUserMessage(FrameContext* context, BitReader* reader)
{
    int id = (int)ReadBits(reader, 8);
    int size = (int)ReadBits(reader, 8);
    char name[USER_MESSAGE_NAME_SIZE];
    const char* at = (const char*)reader->bytes + (reader->pos >> 3);
    SkipBytes(reader, 16);
    if (!reader->ok)
        return false;
    // Names stop at their first NUL; WON servers leave stale bytes after it.
    (void)CopyTextPrefix(name, sizeof name, at, 16);
    if (id >= FIRST_USER_MESSAGE)
        RegisterUserMessage(context->state, id, size == 255 ? -1 : size, name);
    return true;
}

static bool ReadSpawnStatic(FrameContext* context, BitReader* reader)
{
    (void)context;
    SkipBytes(reader, SPAWNSTATIC_FIXED);
    if (ReadBits(reader, 8) != 0)
        SkipBytes(reader, 5);
    return true;
}

// Bytes after the kind byte of each temp entity; BAD for kinds that do not
// exist, CALL for the two whose size depends on their content.
static const signed char TempEntitySizes[128] = {
    24, 20, 6, 11, 6, 10, 12, 17, 16, 6, 6, 6, 8, CALL, 9, 19,           //   0..15
    BAD, 10, 16, 24, 24, 24, 10, 11, 16, 19, BAD, 12, 16, CALL, 17, 17,  //  16..31
    BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD,  //  32..47
    BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD,  //  48..63
    BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD,  //  64..79
    BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD, BAD,  //  80..95
    BAD, BAD, BAD, 2, 10, 14, 12, 14, 9, 5, 17, 13, 24, 9, 17, 7,        //  96..111
    10, 19, 19, 12, 7, 7, 9, 16, 18, 6, 10, 13, 7, 1, 18, 15,            // 112..127
};

enum { TE_BSPDECAL = 13, TE_TEXTMESSAGE = 29 };

static bool ReadTempEntity(FrameContext* context, BitReader* reader)
{
    uint32_t kind = ReadBits(reader, 8);
    int size = kind < 128 ? (int)TempEntitySizes[kind] : (int)BAD;
    if (!reader->ok)
        return false;
    if (size >= 0) {
        SkipBytes(reader, (size_t)size);
        return true;
    }
    if (size == BAD)
        return Refuse(context, "temp entity kind %u does not exist", kind);
    if (kind == TE_BSPDECAL) {
        SkipBytes(reader, 3 * 2 + 2);
        if (ReadBits(reader, 16) != 0)
            SkipBytes(reader, 2);
        return true;
    }
    // TE_TEXTMESSAGE: channel, x, y, effect, two colours, fade in, fade
    // out, hold, the effect time for effect 2 only, then the text.
    SkipBytes(reader, 1 + 2 + 2);
    uint32_t effect = ReadBits(reader, 8);
    SkipBytes(reader, 4 + 4 + 2 + 2 + 2 + (effect == 2 ? 2 : 0));
    size_t length;
    TakeText(reader, &length);
    return true;
}

static bool ReadRestore(FrameContext* context, BitReader* reader)
{
    (void)context;
    size_t length;
    TakeText(reader, &length);
    uint32_t maps = ReadBits(reader, 8);
    for (uint32_t i = 0; i < maps && reader->ok; i++)
        TakeText(reader, &length);
    return true;
}

static bool ReadByteAndText(FrameContext* context, BitReader* reader)
{
    (void)context;
    size_t length;
    SkipBytes(reader, 1);
    TakeText(reader, &length);
    return true;
}

static bool ReadTextAndByte(FrameContext* context, BitReader* reader)
{
    (void)context;
    size_t length;
    TakeText(reader, &length);
    SkipBytes(reader, 1);
    return true;
}

static bool ReadMoveVars(FrameContext* context, BitReader* reader)
{
    (void)context;
    size_t length;
    SkipBytes(reader, MOVEVARS_FIXED);
    TakeText(reader, &length);
    return true;
}

static bool ReadCustomization(FrameContext* context, BitReader* reader)
{
    (void)context;
    size_t length;
    SkipBytes(reader, 2);
    TakeText(reader, &length);
    SkipBytes(reader, 2 + 4);
    if (ReadBits(reader, 8) & 4)
        SkipBytes(reader, 16);
    return true;
}

static bool ReadHltv(FrameContext* context, BitReader* reader)
{
    uint32_t mode = ReadBits(reader, 8);
    if (mode == 0)
        context->state->hltvSpectator = true;
    else if (mode == 1)
        SkipBytes(reader, 10);
    return true;
}

static bool ReadDirector(FrameContext* context, BitReader* reader)
{
    (void)context;
    SkipBytes(reader, ReadBits(reader, 8));
    return true;
}

static bool ReadVoiceData(FrameContext* context, BitReader* reader)
{
    (void)context;
    SkipBytes(reader, 1);
    SkipBytes(reader, ReadBits(reader, 16));
    return true;
}

static bool ReadCvarRequest(FrameContext* context, BitReader* reader)
{
    (void)context;
    size_t length;
    SkipBytes(reader, 4);
    TakeText(reader, &length);
    return true;
}

static bool ReadExec(FrameContext* context, BitReader* reader)
{
    (void)context;
    if (ReadBits(reader, 8) != 0)
        SkipBytes(reader, 1);
    return true;
}

static bool ReadFullPacket(FrameContext* context, BitReader* reader)
{
    return ReadPacketEntities(context, reader, false);
}

static bool ReadDeltaPacket(FrameContext* context, BitReader* reader)
{
    return ReadPacketEntities(context, reader, true);
}

static const EngineMessage EngineMessages[FIRST_USER_MESSAGE] = {
    {"svc_bad", BAD, NULL},
    {"svc_nop", 0, NULL},
    {"svc_disconnect", TEXT, NULL},
    {"svc_event", CALL, ReadEventMessage},
    {"svc_version", 4, NULL},
    {"svc_setview", 2, NULL},
    {"svc_sound", CALL, ReadSound},
    {"svc_time", 4, ReadTime},
    {"svc_print", TEXT, NULL},
    {"svc_stufftext", TEXT, NULL},
    {"svc_setangle", 6, NULL},
    {"svc_serverinfo", CALL, ReadServerInfo},
    {"svc_lightstyle", CALL, ReadLightStyle},
    {"svc_updateuserinfo", CALL, ReadUserInfo},
    {"svc_deltadescription", CALL, ReadDeltaDescriptionMessage},
    {"svc_clientdata", CALL, ReadClientData},
    {"svc_stopsound", 2, NULL},
    {"svc_pings", CALL, ReadPings},
    {"svc_particle", 11, NULL},
    {"svc_damage", 0, NULL},
    {"svc_spawnstatic", CALL, ReadSpawnStatic},
    {"svc_event_reliable", CALL, ReadReliableEvent},
    {"svc_spawnbaseline", CALL, ReadSpawnBaseline},
    {"svc_temp_entity", CALL, ReadTempEntity},
    {"svc_setpause", 1, NULL},
    {"svc_signonnum", 1, NULL},
    {"svc_centerprint", TEXT, NULL},
    {"svc_killedmonster", 0, NULL},
    {"svc_foundsecret", 0, NULL},
    {"svc_spawnstaticsound", 14, NULL},
    {"svc_intermission", 0, NULL},
    {"svc_finale", TEXT, NULL},
    {"svc_cdtrack", 2, NULL},
    {"svc_restore", CALL, ReadRestore},
    {"svc_cutscene", TEXT, NULL},
    {"svc_weaponanim", 2, NULL},
    {"svc_decalname", CALL, ReadByteAndText},
    {"svc_roomtype", 2, NULL},
    {"svc_addangle", 2, NULL},
    {"svc_newusermsg", CALL, ReadNewUserMessage},
    {"svc_packetentities", CALL, ReadFullPacket},
    {"svc_deltapacketentities", CALL, ReadDeltaPacket},
    {"svc_choke", 0, NULL},
    {"svc_resourcelist", CALL, ReadResourceList},
    {"svc_newmovevars", CALL, ReadMoveVars},
    {"svc_resourcerequest", 8, NULL},
    {"svc_customization", CALL, ReadCustomization},
    {"svc_crosshairangle", 2, NULL},
    {"svc_soundfade", 4, NULL},
    {"svc_filetxferfailed", TEXT, NULL},
    {"svc_hltv", CALL, ReadHltv},
    {"svc_director", CALL, ReadDirector},
    {"svc_voiceinit", CALL, ReadTextAndByte},
    {"svc_voicedata", CALL, ReadVoiceData},
    {"svc_sendextrainfo", CALL, ReadTextAndByte},
    {"svc_timescale", 4, NULL},
    {"svc_resourcelocation", TEXT, NULL},
    {"svc_sendcvarvalue", TEXT, NULL},
    {"svc_sendcvarvalue2", CALL, ReadCvarRequest},
    {"svc_exec", CALL, ReadExec},
    {"reserved 60", BAD, NULL},
    {"reserved 61", BAD, NULL},
    {"reserved 62", BAD, NULL},
    {"reserved 63", BAD, NULL},
};

// A user message: its payload by registration, a length byte first when
// the size is variable.
static bool ReadUserMessage(FrameContext* context, BitReader* reader)
{
    DecodeState* state = context->state;
    int size = state->userMessageSizes[context->id];
    if (size == -2)
        return Refuse(context, "user message %d at %u was never registered", context->id, context->messageAt);
    if (size < 0)
        size = (int)ReadBits(reader, 8);
    size_t at = reader->pos >> 3;
    SkipBytes(reader, (size_t)size);
    if (!reader->ok)
        return Refuse(context, "user message %s at %u runs past the frame", state->userMessageNames[context->id],
                      context->messageAt);
    if (state->userMessageKinds[context->id] != USER_OTHER)
        TakeUserMessage(context, reader->bytes + at, (size_t)size);
    return true;
}

// Where the messages a cut replaces sit, and whether a signon starts here.
static void NotePlace(FrameReport* report, int id, uint32_t at, uint32_t end)
{
    if (id == SVC_CLIENTDATA) {
        report->clientdataAt = at;
        report->clientdataEnd = end;
    } else if (id == SVC_PACKETENTITIES || id == SVC_DELTAPACKETENTITIES) {
        report->entitiesAt = at;
        report->entitiesEnd = end;
    } else if (id == SVC_SERVERINFO) {
        report->serverInfo = true;
    } else if (id == SVC_SIGNONNUM) {
        report->signonNum = true;
    }
}

bool DecodeMessages(FrameContext* context)
{
    const NetFrame& frame = *context->frame;
    BitReader reader;
    StartBitReader(&reader, frame.messages, frame.messageLength, 0);
    size_t end = (size_t)frame.messageLength * 8;
    while (reader.pos < end) {
        context->messageAt = (uint32_t)(reader.pos >> 3);
        int id = (int)ReadBits(&reader, 8);
        context->id = id;
        if (id >= FIRST_USER_MESSAGE) {
            if (!ReadUserMessage(context, &reader))
                return false;
            continue;
        }
        const EngineMessage& message = EngineMessages[id];
        bool read = true;
        if (message.layout == BAD)
            return Refuse(context, "%s at %u: the messages have lost their way", message.name, context->messageAt);
        if (message.layout == TEXT) {
            size_t length;
            TakeText(&reader, &length);
        } else if (message.layout >= 0 && !message.read) {
            SkipBytes(&reader, (size_t)message.layout);
        } else {
            read = message.read(context, &reader);
        }
        if (!read) {
            if (!context->report->reason[0])
                Refuse(context, "%s at %u cannot be read", message.name, context->messageAt);
            return false;
        }
        if (!reader.ok)
            return Refuse(context, "%s at %u runs past the end of the frame", message.name, context->messageAt);
        NotePlace(context->report, id, context->messageAt, (uint32_t)(reader.pos >> 3));
    }
    return true;
}
