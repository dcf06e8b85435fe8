// What a SayText message is and says: its kind, its text and its sender's name.
#include <string.h>

#include "demo/demo_structure.h"
#include "shared/text.h"

// Descriptions, names and chat texts are kept as far as their buffers reach:
// a cut one still reads, so the bounded copies here ((void)) do not fail on it.

struct KeyKind {
    const char* key;
    ChatKind kind;
    bool team;
};

static const KeyKind SteamKeys[] = {
    {"#Cstrike_Chat_All", CHAT_ALL, false},
    {"#Cstrike_Chat_AllDead", CHAT_DEAD, false},
    {"#Cstrike_Chat_AllSpec", CHAT_SPECTATOR, false},
    {"#Cstrike_Chat_T", CHAT_TEAM, true},
    {"#Cstrike_Chat_CT", CHAT_TEAM, true},
    {"#Cstrike_Chat_T_Loc", CHAT_TEAM, true},
    {"#Cstrike_Chat_CT_Loc", CHAT_TEAM, true},
    {"#Cstrike_Chat_T_Dead", CHAT_TEAM_DEAD, true},
    {"#Cstrike_Chat_CT_Dead", CHAT_TEAM_DEAD, true},
    // Spectators' say_team: the spectators' own team chat.
    {"#Cstrike_Chat_Spec", CHAT_SPECTATOR, true},
    {"#Cstrike_Name_Change", CHAT_NAME_CHANGE, false},
};

static const KeyKind* FindKey(const char* key)
{
    for (const KeyKind& known : SteamKeys) {
        if (strcmp(known.key, key) == 0)
            return &known;
    }
    return NULL;
}

static bool StartsWith(const char* text, const char* start)
{
    return strncmp(text, start, strlen(start)) == 0;
}

static bool IsTeamTag(const char* text)
{
    return StartsWith(text, "(TEAM)") || StartsWith(text, "(Terrorist)") ||
           StartsWith(text, "(Counter-Terrorist)");
}

// The older single-string form: the 0x02 marker, then an optional *DEAD*
// and a team tag, then "name: text".
static ChatKind ClassifyLine(const char* line)
{
    if (line[0] != 2)
        return CHAT_OTHER;
    line++;
    if (StartsWith(line, "*DEAD*")) {
        line += 6;
        while (*line == ' ')
            line++;
        return IsTeamTag(line) ? CHAT_TEAM_DEAD : CHAT_DEAD;
    }
    if (IsTeamTag(line))
        return CHAT_TEAM;
    if (StartsWith(line, "(SPEC)") || StartsWith(line, "(Spectator)"))
        return CHAT_SPECTATOR;
    return CHAT_ALL;
}

ChatKind ClassifyChat(const ChatMessage& message)
{
    if (message.steamForm) {
        const KeyKind* known = FindKey(message.key);
        return known ? known->kind : CHAT_OTHER;
    }
    return message.stringCount > 0 ? ClassifyLine(message.strings[0]) : CHAT_OTHER;
}

const char* ChatKindName(ChatKind kind)
{
    switch (kind) {
    case CHAT_ALL: return "all";
    case CHAT_TEAM: return "team";
    case CHAT_DEAD: return "dead";
    case CHAT_TEAM_DEAD: return "team-dead";
    case CHAT_SPECTATOR: return "spectator";
    case CHAT_NAME_CHANGE: return "name-change";
    default: return "other";
    }
}

bool IsSteamTeamChat(const ChatMessage& message)
{
    if (!message.steamForm)
        return false;
    const KeyKind* known = FindKey(message.key);
    return known && known->team;
}

// Copies text without the colour markers (bytes 1 to 4) and without its
// trailing line breaks; a text longer than the buffer is cut.
static void CopyShown(char* dest, size_t size, const char* text)
{
    if (size == 0)
        return;
    size_t used = 0;
    for (; *text && used + 1 < size; text++) {
        if ((unsigned char)*text > 4)
            dest[used++] = *text;
    }
    while (used > 0 && (dest[used - 1] == '\n' || dest[used - 1] == '\r'))
        used--;
    dest[used] = '\0';
}

void ChatText(char* dest, size_t size, const ChatMessage& message)
{
    if (size == 0)
        return;
    dest[0] = '\0';
    if (message.stringCount == 0)
        return;
    if (message.steamForm) {
        char old[CHAT_TEXT_SIZE], now[CHAT_TEXT_SIZE];
        if (ClassifyChat(message) == CHAT_NAME_CHANGE && message.stringCount >= 3) {
            CopyShown(old, sizeof old, message.strings[1]);
            CopyShown(now, sizeof now, message.strings[2]);
            (void)FormatText(dest, size, "%s changed name to %s", old, now);
            return;
        }
        // Key, name (sent empty), text, place.
        CopyShown(dest, size, message.strings[message.stringCount >= 3 ? 2 : message.stringCount - 1]);
        return;
    }
    // Plugins send "%s" with the text as the second string.
    if (message.stringCount >= 2 && strstr(message.strings[0], "%s"))
        CopyShown(dest, size, message.strings[1]);
    else
        CopyShown(dest, size, message.strings[0]);
}

// The sender's entity index is its player slot + 1. The name is the one the
// latest player info before the message gives; failing that, the first after.
const char* SenderName(const DemoStructure& structure, const ChatMessage& message)
{
    int slot = message.sender - 1;
    const PlayerInfo* found = NULL;
    for (const PlayerInfo& player : structure.players) {
        if (player.slot != slot)
            continue;
        if (player.offset < message.offset || !found)
            found = &player;
        if (player.offset > message.offset)
            break;
    }
    return found ? found->name : "";
}
