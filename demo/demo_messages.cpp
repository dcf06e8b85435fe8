#include "demo/demo_messages.h"

#include <string.h>

#include "demo/little_endian.h"
#include "shared/text.h"

// Descriptions, names and chat texts are kept as far as their buffers reach:
// a cut one still reads, so the bounded copies here ((void)) do not fail on it.

enum {
    SVC_UPDATEUSERINFO = 13,
    SVC_NEWUSERMSG = 39,
    FIRST_USER_MESSAGE = 64,
    NOT_REGISTERED = -2,
    VARIABLE_SIZE = -1,
    MAX_USER_MESSAGE_SIZE = 192,
    USER_MESSAGE_RECORD = 19,     // id, message id, size, 16-byte name
    USER_INFO_HASH = 16,
    MAX_SENDER = 32,
    // Engine message layouts that are not a fixed size.
    TEXT = -3,                    // one NUL-terminated string
    SPECIAL = -4,                 // a layout of its own, see EngineMessageLength
    STOP = -5                     // bit-packed or unknown: the walk ends here
};

// Bytes after the id of each engine message: a fixed size or a layout kind.
static const signed char EngineLayout[FIRST_USER_MESSAGE] = {
    STOP, 0, TEXT, STOP, 4, 2, STOP, 4,                    //  0..7
    TEXT, TEXT, 6, SPECIAL, SPECIAL, SPECIAL, STOP, STOP,  //  8..15
    2, STOP, 11, 0, STOP, STOP, STOP, STOP,                // 16..23 (temp_entity stops)
    1, 1, TEXT, 0, 0, 14, 0, TEXT,                         // 24..31
    2, SPECIAL, TEXT, 2, SPECIAL, 2, 2, 18,                // 32..39
    STOP, STOP, 0, STOP, SPECIAL, 8, SPECIAL, 2,           // 40..47
    4, TEXT, SPECIAL, SPECIAL, SPECIAL, SPECIAL, SPECIAL, 4,  // 48..55
    TEXT, TEXT, SPECIAL, SPECIAL, STOP, STOP, STOP, STOP   // 56..63
};

// A bounded cursor over one message; a step that would pass the end fails
// and every later step fails too.
struct Cursor {
    const unsigned char* bytes;
    size_t pos, end;
    bool ok;
};

static void Skip(Cursor* c, size_t count)
{
    if (c->ok && count <= c->end - c->pos)
        c->pos += count;
    else
        c->ok = false;
}

static unsigned Byte(Cursor* c)
{
    if (!c->ok || c->pos >= c->end) {
        c->ok = false;
        return 0;
    }
    return c->bytes[c->pos++];
}

static unsigned Short(Cursor* c)
{
    unsigned low = Byte(c);
    return low | Byte(c) << 8;
}

static void SkipText(Cursor* c)
{
    if (!c->ok)
        return;
    const void* nul = memchr(c->bytes + c->pos, 0, c->end - c->pos);
    if (nul)
        c->pos = (size_t)((const unsigned char*)nul - c->bytes) + 1;
    else
        c->ok = false;
}

// Moves the cursor past the body of engine message id (the id already
// taken); false when the walk cannot go past it.
static bool SkipEngineMessage(Cursor* c, int id)
{
    int layout = EngineLayout[id];
    if (layout == STOP)
        return false;
    if (layout >= 0) {
        Skip(c, (size_t)layout);
        return c->ok;
    }
    if (layout == TEXT) {
        SkipText(c);
        return c->ok;
    }
    switch (id) {
    case 11:   // serverinfo
        Skip(c, 4 + 4 + 4 + 16 + 1 + 1 + 1);
        for (int i = 0; i < 4; i++)
            SkipText(c);
        Skip(c, 1);
        break;
    case 12:   // lightstyle
    case 36:   // decalname
        Skip(c, 1);
        SkipText(c);
        break;
    case SVC_UPDATEUSERINFO:
        Skip(c, 1 + 4);
        SkipText(c);
        Skip(c, USER_INFO_HASH);
        break;
    case 33: { // restore
        SkipText(c);
        unsigned count = Byte(c);
        for (unsigned i = 0; i < count && c->ok; i++)
            SkipText(c);
        break;
    }
    case 44:   // newmovevars
        Skip(c, 16 * 4 + 1 + 8 * 4);
        SkipText(c);
        break;
    case 46: { // customization
        Skip(c, 2);
        SkipText(c);
        Skip(c, 2 + 4);
        unsigned flags = Byte(c);
        if (flags & 4)
            Skip(c, 16);
        break;
    }
    case 50:   // hltv
        if (Byte(c) == 1)
            Skip(c, 10);
        break;
    case 51:   // director
        Skip(c, Byte(c));
        break;
    case 52:   // voiceinit
    case 54:   // sendextrainfo
        SkipText(c);
        Skip(c, 1);
        break;
    case 53:   // voicedata
        Skip(c, 1);
        Skip(c, Short(c));
        break;
    case 58:   // sendcvarvalue2
        Skip(c, 4);
        SkipText(c);
        break;
    case 59:   // exec
        if (Byte(c))
            Skip(c, 1);
        break;
    default:
        return false;
    }
    return c->ok;
}

static bool IsNameCharacter(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Bytes a chat or info text may hold: printable bytes, UTF-8, tab, line
// break and the colour markers 1 to 4.
static bool IsTextByte(unsigned char c)
{
    return c >= 0x20 ? c != 0x7F : (c >= 1 && c <= 4) || c == '\t' || c == '\n';
}

// Takes the svc_newusermsg record whose body is at body (18 bytes); a
// registration seen before is not listed again.
static void Register(const unsigned char* body, MessageReader* reader, DemoStructure* result)
{
    int id = body[0];
    int size = body[1] == 255 ? (int)VARIABLE_SIZE : (int)body[1];
    if (id < FIRST_USER_MESSAGE)
        return;
    char name[USER_MESSAGE_NAME_SIZE];
    // WON servers leave stale bytes after the name's NUL.
    (void)CopyTextPrefix(name, sizeof name, (const char*)body + 2, 16);
    if (reader->sizes[id] == size) {
        for (const UserMessageType& known : result->userMessages) {
            if (known.id == id && strcmp(known.name, name) == 0)
                return;
        }
    }
    reader->sizes[id] = (short)size;
    UserMessageType type;
    type.id = id;
    type.size = size;
    memcpy(type.name, name, sizeof name);
    result->userMessages.push_back(type);
    if (strcmp(name, "SayText") == 0)
        result->sayTextId = size == VARIABLE_SIZE ? id : -1;
}

// A registration record at p as the pattern search accepts it: a user
// message id, a possible size and a name of at least three name characters.
static bool IsRegistration(const unsigned char* bytes, size_t p, size_t end)
{
    if (end - p < USER_MESSAGE_RECORD || bytes[p + 1] < FIRST_USER_MESSAGE)
        return false;
    if (bytes[p + 2] > MAX_USER_MESSAGE_SIZE && bytes[p + 2] != 255)
        return false;
    const unsigned char* name = bytes + p + 3;
    size_t length = 0;
    while (length < 16 && name[length] != 0) {
        if (!IsNameCharacter(name[length]))
            return false;
        length++;
    }
    return length >= 3 && length < 16 && !(name[0] >= '0' && name[0] <= '9');
}

// The \name\ value of an info string of the given length; false when it
// has no such key.
static bool InfoName(char* dest, size_t size, const char* info, size_t length)
{
    dest[0] = '\0';
    for (size_t i = 0; i + 6 <= length; i++) {
        if (memcmp(info + i, "\\name\\", 6) == 0) {
            const char* value = info + i + 6;
            const char* stop = (const char*)memchr(value, '\\', length - (i + 6));
            // A name longer than the field is cut; it is shown, not written back.
            (void)CopyTextPrefix(dest, size, value, stop ? (size_t)(stop - value) : length - (i + 6));
            return true;
        }
    }
    return false;
}

// An svc_updateuserinfo at p: slot, user id, info string, hash. The pattern
// search wants a text-only info string with a \name\ key.
static bool TakePlayerInfo(const unsigned char* bytes, size_t p, size_t end, float time, bool strict,
                           DemoStructure* result, size_t* length)
{
    Cursor c = {bytes, p + 1, end, true};
    unsigned slot = Byte(&c);
    Skip(&c, 4);
    size_t infoAt = c.pos;
    SkipText(&c);
    Skip(&c, USER_INFO_HASH);
    if (!c.ok)
        return false;
    const char* info = (const char*)bytes + infoAt;
    size_t infoLength = strlen(info);
    if (strict) {
        if (slot >= MAX_SENDER || info[0] != '\\')
            return false;
        for (size_t i = 0; i < infoLength; i++) {
            if (!IsTextByte((unsigned char)info[i]))
                return false;
        }
    }
    PlayerInfo player;
    player.time = time;
    player.slot = (int)slot;
    player.userId = ReadI32(bytes + p + 2);
    player.offset = p;
    if (!InfoName(player.name, sizeof player.name, info, infoLength) && strict)
        return false;
    result->players.push_back(player);
    *length = c.pos - p;
    return true;
}

// How SayText's first string starts: a "#Cstrike_..." key, the older form's
// 0x02 marker, a plugin's colour byte or its "%s". Bit-packed data that
// happens to look like a short text rarely starts so.
static bool IsChatStart(const unsigned char* text)
{
    bool letter = (text[1] >= 'A' && text[1] <= 'Z') || (text[1] >= 'a' && text[1] <= 'z');
    return (text[0] >= 1 && text[0] <= 4) || (text[0] == '#' && letter) || (text[0] == '%' && text[1] == 's');
}

// True when bytes[0, length) are well-formed UTF-8 (ASCII included).
static bool IsUtf8(const unsigned char* bytes, size_t length)
{
    size_t i = 0;
    while (i < length) {
        unsigned char c = bytes[i];
        size_t more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 && c >= 0xC2 ? 1 : (c & 0xF0) == 0xE0 ? 2
                    : (c & 0xF8) == 0xF0 && c <= 0xF4 ? 3 : 4;
        if (more == 4 || more >= length - i)
            return more == 0;
        for (size_t k = 1; k <= more; k++) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += more + 1;
    }
    return true;
}

// A SayText message at p with its length byte and payload: the sender byte,
// then up to four strings. The pattern search wants strings that fill the
// payload exactly, NUL-terminated, text only, the first starting as chat does.
static bool TakeChat(const unsigned char* bytes, size_t p, size_t end, float time, bool strict,
                     DemoStructure* result, size_t* length)
{
    if (end - p < 2)
        return false;
    size_t payload = bytes[p + 1];
    if (payload > end - p - 2 || payload < (strict ? 3u : 1u))
        return false;
    const unsigned char* body = bytes + p + 2;
    int sender = body[0];
    if (strict) {
        if (sender > MAX_SENDER || body[payload - 1] != 0 || !IsChatStart(body + 1))
            return false;
        int strings = 0;
        for (size_t i = 1; i < payload; i++) {
            if (body[i] == 0)
                strings++;
            else if (!IsTextByte(body[i]))
                return false;
        }
        if (strings > CHAT_STRING_COUNT)
            return false;
        // Steam clients send UTF-8; the older form may hold any code page.
        if (body[1] != 2 && !IsUtf8(body + 1, payload - 1))
            return false;
    }
    result->chat.emplace_back();
    ChatMessage* chat = &result->chat.back();
    chat->time = time;
    chat->sender = sender;
    chat->offset = p;
    chat->length = (uint32_t)(payload + 2);
    chat->foundByWalk = !strict;
    chat->stringCount = 0;
    size_t at = 1;
    while (at < payload && chat->stringCount < CHAT_STRING_COUNT) {
        const char* text = (const char*)body + at;
        const void* nul = memchr(text, 0, payload - at);
        size_t textLength = nul ? (size_t)((const char*)nul - text) : payload - at;
        (void)CopyTextPrefix(chat->strings[chat->stringCount++], CHAT_TEXT_SIZE, text, textLength);
        at += textLength + 1;
    }
    chat->steamForm = chat->stringCount > 0 && chat->strings[0][0] == '#';
    (void)CopyText(chat->key, sizeof chat->key, chat->steamForm ? chat->strings[0] : "");
    *length = payload + 2;
    return true;
}

// Walks whole-byte messages from begin and returns where it stopped: end, or
// the id of a message it cannot measure (bit-packed, unknown, unregistered,
// or running past end).
static size_t WalkMessages(const unsigned char* bytes, size_t begin, size_t end, float time,
                           MessageReader* reader, DemoStructure* result)
{
    size_t p = begin;
    while (p < end) {
        int id = bytes[p];
        Cursor c = {bytes, p + 1, end, true};
        if (id >= FIRST_USER_MESSAGE) {
            int size = reader->sizes[id];
            if (size == NOT_REGISTERED)
                return p;
            if (size == VARIABLE_SIZE) {
                size_t length = 0;
                if (id == result->sayTextId) {
                    if (!TakeChat(bytes, p, end, time, false, result, &length))
                        return p;
                    p += length;
                    continue;
                }
                size = (int)Byte(&c);
            }
            Skip(&c, (size_t)size);
            if (!c.ok)
                return p;
            p = c.pos;
            continue;
        }
        if (!SkipEngineMessage(&c, id))
            return p;
        if (id == SVC_NEWUSERMSG) {
            Register(bytes + p + 1, reader, result);
        } else if (id == SVC_UPDATEUSERINFO) {
            size_t length;
            TakePlayerInfo(bytes, p, end, time, false, result, &length);
        }
        p = c.pos;
    }
    return end;
}

static size_t Find(const unsigned char* bytes, size_t from, size_t end, int value)
{
    if (value < 0 || from >= end)
        return end;
    const void* at = memchr(bytes + from, value, end - from);
    return at ? (size_t)((const unsigned char*)at - bytes) : end;
}

// The validated pattern search over bytes[begin, end): registrations (in
// signon frames), player infos and SayText messages, each taken whole so
// no byte belongs to two findings.
static void SearchMessages(const unsigned char* bytes, size_t begin, size_t end, float time, bool signon,
                           MessageReader* reader, DemoStructure* result)
{
    int wanted[3] = {signon ? SVC_NEWUSERMSG : -1, SVC_UPDATEUSERINFO, result->sayTextId};
    size_t next[3];
    for (int k = 0; k < 3; k++)
        next[k] = Find(bytes, begin, end, wanted[k]);
    for (;;) {
        int k = 0;
        for (int j = 1; j < 3; j++) {
            if (next[j] < next[k])
                k = j;
        }
        size_t p = next[k];
        if (p >= end)
            return;
        size_t length = 0;
        bool taken = false;
        if (wanted[k] == SVC_NEWUSERMSG) {
            taken = IsRegistration(bytes, p, end);
            if (taken) {
                Register(bytes + p + 1, reader, result);
                length = USER_MESSAGE_RECORD;
            }
        } else if (wanted[k] == SVC_UPDATEUSERINFO) {
            taken = TakePlayerInfo(bytes, p, end, time, true, result, &length);
        } else {
            taken = TakeChat(bytes, p, end, time, true, result, &length);
        }
        size_t from = taken ? p + length : p + 1;
        // A registration may have named the SayText id just now.
        wanted[2] = result->sayTextId;
        for (int j = 0; j < 3; j++) {
            if (next[j] < from || (j == 2 && taken && k == 0))
                next[j] = Find(bytes, from, end, wanted[j]);
        }
    }
}

void StartMessageReader(MessageReader* reader, bool walk)
{
    for (short& size : reader->sizes)
        size = NOT_REGISTERED;
    reader->walk = walk;
}

void ReadFrameMessages(const unsigned char* bytes, size_t begin, size_t end, float time, bool signon,
                       MessageReader* reader, DemoStructure* result)
{
    size_t stop = reader->walk ? WalkMessages(bytes, begin, end, time, reader, result) : begin;
    SearchMessages(bytes, stop, end, time, signon, reader, result);
}
