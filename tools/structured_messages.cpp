#include "tools/structured_messages.h"

#include <string.h>

#include <algorithm>
#include <string>

enum {
    SVC_NOP = 1,
    SVC_TIME = 7,
    SVC_PRINT = 8,
    SVC_SETANGLE = 10,
    SVC_SERVERINFO = 11,
    SVC_LIGHTSTYLE = 12,
    SVC_UPDATEUSERINFO = 13,
    SVC_CLIENTDATA = 15,
    SVC_SETVIEW = 5,
    SVC_TEMP_ENTITY = 23,
    SVC_CDTRACK = 32,
    SVC_WEAPONANIM = 35,
    SVC_ROOMTYPE = 37,
    SVC_NEWMOVEVARS = 44,
    SVC_RESOURCEREQUEST = 45,
    SVC_VOICEINIT = 52,
    SVC_SENDEXTRAINFO = 54,
    TE_SPARKS = 9,
    TE_BSPDECAL = 13,
    TE_TEXTMESSAGE = 29,
    FIRST_SEQUENCE = 0x1F8,         // the low byte wraps after eight frames
    MAX_DELTA_BACK = 60,            // the client keeps 64 frames
    FILLER_DEFAULT = 16,
    RECORDER_WEAPON = 28,           // weapon slots the recorder holds
    SIDEARM_WEAPON = 16
};

struct FieldRow {
    const char* name;
    uint32_t type;
    int bits;
    double premultiply, postmultiply;
};

static const uint32_t SIGNED_FLOAT = DT_SIGNED | DT_FLOAT;

// The descriptions, modelled on a Counter-Strike server's delta.lst: fewer
// fields, the same kinds. The enums below name each table's rows in order.
static const FieldRow EventFields[] = {
    {"entindex", DT_INTEGER, 11, 1, 0},        {"bparam1", DT_INTEGER, 1, 1, 0},
    {"bparam2", DT_INTEGER, 1, 1, 0},          {"origin[0]", SIGNED_FLOAT, 22, 8, 0},
    {"origin[1]", SIGNED_FLOAT, 22, 8, 0},     {"origin[2]", SIGNED_FLOAT, 22, 8, 0},
    {"angles[0]", DT_ANGLE, 16, 1, 0},         {"angles[1]", DT_ANGLE, 16, 1, 0},
    {"angles[2]", DT_ANGLE, 16, 1, 0},         {"fparam1", SIGNED_FLOAT, 20, 100, 0},
    {"fparam2", SIGNED_FLOAT, 20, 100, 0},     {"iparam1", DT_SIGNED | DT_INTEGER, 16, 1, 0},
    {"iparam2", DT_SIGNED | DT_INTEGER, 16, 1, 0}, {"ducking", DT_INTEGER, 1, 1, 0},
};
enum { EV_ENTINDEX, EV_BPARAM1, EV_BPARAM2, EV_ORIGIN, EV_ANGLES = EV_ORIGIN + 3, EV_FPARAM1 = EV_ANGLES + 3,
       EV_FPARAM2, EV_IPARAM1, EV_IPARAM2, EV_DUCKING };

static const FieldRow WeaponFields[] = {
    {"m_iId", DT_INTEGER, 5, 1, 0},
    {"m_iClip", DT_SIGNED | DT_INTEGER, 10, 1, 0},
    {"m_flNextPrimaryAttack", SIGNED_FLOAT, 22, 1000, 0},
    {"m_flNextSecondaryAttack", SIGNED_FLOAT, 22, 1000, 0},
    {"m_flTimeWeaponIdle", SIGNED_FLOAT, 22, 1000, 0},
    {"m_fInReload", DT_INTEGER, 1, 1, 0},
    {"m_fInSpecialReload", DT_INTEGER, 2, 1, 0},
    {"iuser1", DT_INTEGER, 2, 1, 0},
    {"fuser1", SIGNED_FLOAT, 22, 128, 0},
};
enum { W_ID, W_CLIP, W_NEXT_PRIMARY, W_NEXT_SECONDARY, W_IDLE, W_IN_RELOAD, W_IN_SPECIAL_RELOAD, W_IUSER1,
       W_FUSER1 };

static const FieldRow UserCmdFields[] = {
    {"lerp_msec", DT_SHORT, 9, 1, 0},          {"msec", DT_BYTE, 8, 1, 0},
    {"viewangles[0]", DT_ANGLE, 16, 1, 0},     {"viewangles[1]", DT_ANGLE, 16, 1, 0},
    {"viewangles[2]", DT_ANGLE, 16, 1, 0},     {"forwardmove", SIGNED_FLOAT, 12, 1, 0},
    {"sidemove", SIGNED_FLOAT, 12, 1, 0},      {"upmove", SIGNED_FLOAT, 12, 1, 0},
    {"buttons", DT_SHORT, 16, 1, 0},           {"impulse", DT_BYTE, 8, 1, 0},
};

static const FieldRow CustomFields[] = {
    {"rendermode", DT_INTEGER, 8, 1, 0},       {"origin[0]", SIGNED_FLOAT, 17, 8, 0},
    {"origin[1]", SIGNED_FLOAT, 17, 8, 0},     {"origin[2]", SIGNED_FLOAT, 17, 8, 0},
    {"angles[0]", SIGNED_FLOAT, 17, 8, 0},     {"angles[1]", SIGNED_FLOAT, 17, 8, 0},
    {"angles[2]", SIGNED_FLOAT, 17, 8, 0},     {"sequence", DT_INTEGER, 16, 1, 0},
    {"skin", DT_INTEGER, 16, 1, 0},            {"modelindex", DT_INTEGER, 16, 1, 0},
    {"scale", DT_FLOAT, 8, 10, 0},             {"body", DT_INTEGER, 8, 1, 0},
    {"rendercolor.r", DT_BYTE, 8, 1, 0},       {"rendercolor.g", DT_BYTE, 8, 1, 0},
    {"rendercolor.b", DT_BYTE, 8, 1, 0},       {"renderfx", DT_INTEGER, 8, 1, 0},
    {"renderamt", DT_INTEGER, 8, 1, 0},        {"frame", DT_FLOAT, 8, 1, 0.39215},
    {"animtime", DT_FLOAT, 8, 1, 0},
};

static const FieldRow PlayerFields[] = {
    {"animtime", DT_TIMEWINDOW_8, 8, 1, 0},    {"frame", DT_FLOAT, 8, 1, 0},
    {"origin[0]", SIGNED_FLOAT, 18, 32, 0},    {"angles[0]", DT_ANGLE, 16, 1, 0},
    {"angles[1]", DT_ANGLE, 16, 1, 0},         {"origin[1]", SIGNED_FLOAT, 18, 32, 0},
    {"origin[2]", SIGNED_FLOAT, 18, 32, 0},    {"sequence", DT_INTEGER, 8, 1, 0},
    {"modelindex", DT_INTEGER, 10, 1, 0},      {"movetype", DT_INTEGER, 4, 1, 0},
    {"solid", DT_SHORT, 3, 1, 0},              {"weaponmodel", DT_INTEGER, 10, 1, 0},
    {"team", DT_INTEGER, 4, 1, 0},             {"colormap", DT_INTEGER, 16, 1, 0},
    {"gaitsequence", DT_INTEGER, 8, 1, 0},     {"framerate", SIGNED_FLOAT, 8, 16, 0},
    {"effects", DT_INTEGER, 8, 1, 0},          {"skin", DT_SIGNED | DT_SHORT, 9, 1, 0},
    {"body", DT_INTEGER, 8, 1, 0},             {"usehull", DT_INTEGER, 1, 1, 0},
};
enum { P_ANIMTIME, P_FRAME, P_ORIGIN_X, P_PITCH, P_YAW, P_ORIGIN_Y, P_ORIGIN_Z, P_SEQUENCE, P_MODEL, P_MOVETYPE,
       P_SOLID, P_WEAPONMODEL, P_TEAM, P_COLORMAP, P_GAITSEQUENCE, P_FRAMERATE, P_EFFECTS, P_SKIN, P_BODY,
       P_USEHULL };

static const FieldRow EntityFields[] = {
    {"animtime", DT_TIMEWINDOW_8, 8, 1, 0},    {"frame", DT_FLOAT, 8, 1, 0},
    {"origin[0]", SIGNED_FLOAT, 21, 8, 0},     {"origin[1]", SIGNED_FLOAT, 21, 8, 0},
    {"origin[2]", SIGNED_FLOAT, 21, 8, 0},     {"angles[0]", DT_ANGLE, 16, 1, 0},
    {"angles[1]", DT_ANGLE, 16, 1, 0},         {"angles[2]", DT_ANGLE, 16, 1, 0},
    {"modelindex", DT_INTEGER, 10, 1, 0},      {"sequence", DT_INTEGER, 8, 1, 0},
    {"movetype", DT_INTEGER, 4, 1, 0},         {"solid", DT_SHORT, 3, 1, 0},
    {"framerate", SIGNED_FLOAT, 8, 16, 0},     {"effects", DT_INTEGER, 8, 1, 0},
    {"body", DT_INTEGER, 8, 1, 0},             {"skin", DT_SIGNED | DT_SHORT, 9, 1, 0},
    {"rendermode", DT_INTEGER, 8, 1, 0},       {"renderamt", DT_INTEGER, 8, 1, 0},
    {"rendercolor.r", DT_BYTE, 8, 1, 0},       {"rendercolor.g", DT_BYTE, 8, 1, 0},
    {"rendercolor.b", DT_BYTE, 8, 1, 0},       {"renderfx", DT_INTEGER, 8, 1, 0},
    {"scale", DT_FLOAT, 16, 256, 0},           {"aiment", DT_INTEGER, 11, 1, 0},
    {"owner", DT_INTEGER, 11, 1, 0},           {"impacttime", DT_TIMEWINDOW_BIG, 23, 100, 0},
};
enum { E_ANIMTIME, E_FRAME, E_ORIGIN_X, E_ORIGIN_Y, E_ORIGIN_Z, E_PITCH, E_YAW, E_ROLL, E_MODEL, E_SEQUENCE,
       E_MOVETYPE, E_SOLID, E_FRAMERATE, E_EFFECTS, E_BODY, E_SKIN, E_RENDERMODE, E_RENDERAMT, E_COLOR_R,
       E_COLOR_G, E_COLOR_B, E_RENDERFX, E_SCALE, E_AIMENT, E_OWNER, E_IMPACTTIME };

static const FieldRow ClientFields[] = {
    {"origin[0]", SIGNED_FLOAT, 21, 128, 0},   {"origin[1]", SIGNED_FLOAT, 21, 128, 0},
    {"origin[2]", SIGNED_FLOAT, 21, 128, 0},   {"velocity[0]", SIGNED_FLOAT, 16, 8, 0},
    {"velocity[1]", SIGNED_FLOAT, 16, 8, 0},   {"velocity[2]", SIGNED_FLOAT, 16, 8, 0},
    {"viewmodel", DT_INTEGER, 10, 1, 0},       {"punchangle[0]", SIGNED_FLOAT, 16, 8, 0},
    {"flags", DT_INTEGER, 32, 1, 0},           {"waterlevel", DT_INTEGER, 2, 1, 0},
    {"view_ofs[2]", SIGNED_FLOAT, 10, 4, 0},   {"health", SIGNED_FLOAT, 10, 1, 0},
    {"bInDuck", DT_INTEGER, 1, 1, 0},          {"weapons", DT_INTEGER, 32, 1, 0},
    {"flTimeStepSound", DT_INTEGER, 10, 1, 0}, {"maxspeed", DT_FLOAT, 10, 1, 0},
    {"fov", DT_FLOAT, 8, 1, 0},                {"weaponanim", DT_INTEGER, 8, 1, 0},
    {"m_iId", DT_INTEGER, 5, 1, 0},            {"physinfo", DT_STRING, 1, 1, 0},
    {"iuser2", DT_INTEGER, 6, 1, 0},           {"deadflag", DT_INTEGER, 3, 1, 0},
    {"m_flNextAttack", SIGNED_FLOAT, 22, 1000, 0},
};
enum { C_ORIGIN, C_VELOCITY = C_ORIGIN + 3, C_VIEWMODEL = C_VELOCITY + 3, C_PUNCH, C_FLAGS, C_WATERLEVEL,
       C_VIEW_OFS_Z, C_HEALTH, C_IN_DUCK, C_WEAPONS, C_STEP_SOUND, C_MAXSPEED, C_FOV, C_WEAPONANIM, C_WEAPON_ID,
       C_PHYSINFO, C_IUSER2, C_DEADFLAG, C_NEXT_ATTACK };

struct DescriptionTable {
    const char* name;
    const FieldRow* rows;
    size_t count;
};

// In the order a server sends them: the reverse of its registrations.
static const DescriptionTable Tables[STRUCTURED_DESCRIPTIONS] = {
    {"event_t", EventFields, sizeof EventFields / sizeof EventFields[0]},
    {"weapon_data_t", WeaponFields, sizeof WeaponFields / sizeof WeaponFields[0]},
    {"usercmd_t", UserCmdFields, sizeof UserCmdFields / sizeof UserCmdFields[0]},
    {"custom_entity_state_t", CustomFields, sizeof CustomFields / sizeof CustomFields[0]},
    {"entity_state_player_t", PlayerFields, sizeof PlayerFields / sizeof PlayerFields[0]},
    {"entity_state_t", EntityFields, sizeof EntityFields / sizeof EntityFields[0]},
    {"clientdata_t", ClientFields, sizeof ClientFields / sizeof ClientFields[0]},
};
enum { D_EVENT, D_WEAPON, D_USERCMD, D_CUSTOM, D_PLAYER, D_ENTITY, D_CLIENT };

static void BuildDescription(DeltaDescription* description, const DescriptionTable& table)
{
    memset(description, 0, sizeof *description);
    memcpy(description->name, table.name, strlen(table.name) + 1);
    description->fieldCount = (int)table.count;
    for (size_t i = 0; i < table.count; i++) {
        const FieldRow& row = table.rows[i];
        DeltaField* field = &description->fields[i];
        MakeDeltaField(field, row.name, row.type, row.bits, row.premultiply, row.postmultiply);
        // Offsets in the engine's struct: any distinct values serve. Like
        // every meta field, one is sent only when it is not zero.
        field->offset = 4 * (int)i;
        if (field->offset != 0)
            field->metaSent |= 1u << 2;
    }
}

static void Set(DeltaValues* values, const DeltaDescription& description, int field, double value)
{
    values->raw[field] = DeltaRawValue(description.fields[field], value);
}

static const StructuredPlayer* PlayerInSlot(const StructuredDemoSpec& spec, int slot)
{
    for (const StructuredPlayer& player : spec.players) {
        if (player.slot == slot)
            return &player;
    }
    return NULL;
}

static bool Connected(const StructuredPlayer& player, int group)
{
    return player.joinGroup <= group && (player.leaveGroup < 0 || group < player.leaveGroup);
}

static bool InGroup(const StructuredEntity& entity, int group)
{
    return entity.firstGroup <= group && (entity.lastGroup < 0 || group <= entity.lastGroup);
}

static int TeamNumber(const std::string& team)
{
    return team == "TERRORIST" ? 1 : team == "CT" ? 2 : team == "SPECTATOR" ? 3 : 0;
}

// The name of a slot in a group, after the name changes of that group.
static std::string NameAt(const StructuredDemoSpec& spec, const StructuredPlayer& player, int group)
{
    std::string name = player.name;
    for (const StructuredNameChange& change : spec.nameChanges) {
        if (change.slot == player.slot && change.group <= group)
            name = change.name;
    }
    return name;
}

static void RecorderPosition(const StructuredGame& game, int group, float origin[3])
{
    const StructuredPlayer* recorder = PlayerInSlot(*game.spec, game.spec->recorderSlot);
    origin[0] = recorder ? recorder->x + recorder->stepX * (float)group : 0;
    origin[1] = recorder ? recorder->y + recorder->stepY * (float)group : 0;
    origin[2] = recorder ? recorder->z : 0;
}

static void PlayerState(const StructuredGame& game, int slot, int group, DeltaValues* values)
{
    const DeltaDescription& d = game.descriptions[D_PLAYER];
    const StructuredPlayer* player = PlayerInSlot(*game.spec, slot);
    memset(values, 0, sizeof *values);
    // The recorder's own origin is never sent to it: it keeps its baseline's.
    int moved = slot == game.spec->recorderSlot ? 0 : group;
    float x = player ? player->x + player->stepX * (float)moved : 0;
    float y = player ? player->y + player->stepY * (float)moved : 0;
    Set(values, d, P_ORIGIN_X, x);
    Set(values, d, P_ORIGIN_Y, y);
    Set(values, d, P_ORIGIN_Z, player ? player->z : 0);
    Set(values, d, P_PITCH, 350 + slot);
    Set(values, d, P_YAW, (15 * group + 40 * slot) % 360);
    values->raw[P_ANIMTIME] = group % 3;
    values->raw[P_SEQUENCE] = 1 + (group / 4) % 3;
    values->raw[P_MODEL] = 20 + slot % 3;
    values->raw[P_MOVETYPE] = 3;
    values->raw[P_SOLID] = 3;
    values->raw[P_WEAPONMODEL] = 40;
    values->raw[P_TEAM] = player ? TeamNumber(player->team) : 0;
    values->raw[P_COLORMAP] = 0x0A0A;
    values->raw[P_GAITSEQUENCE] = 1 + (group / 8) % 2;
    Set(values, d, P_FRAMERATE, 1.0);
    values->raw[P_SKIN] = -1;
    values->raw[P_BODY] = 1 + slot % 2;
}

static void EntityState(const StructuredGame& game, const StructuredEntity& entity, int group, DeltaValues* values)
{
    const DeltaDescription& d = game.descriptions[D_ENTITY];
    memset(values, 0, sizeof *values);
    float moved = (float)(group - entity.firstGroup);
    Set(values, d, E_ORIGIN_X, entity.x + entity.stepX * moved);
    Set(values, d, E_ORIGIN_Y, entity.y);
    Set(values, d, E_ORIGIN_Z, entity.z);
    Set(values, d, E_YAW, (45 * entity.number) % 360);
    Set(values, d, E_FRAME, group % 10);
    values->raw[E_ANIMTIME] = entity.stepX != 0 ? group % 2 : 0;
    values->raw[E_MODEL] = entity.model;
    values->raw[E_MOVETYPE] = entity.stepX != 0 ? 5 : 0;
    values->raw[E_SOLID] = 2;
    values->raw[E_RENDERMODE] = entity.number % 2;
    values->raw[E_RENDERAMT] = 255;
    values->raw[E_COLOR_R] = 255;
    values->raw[E_COLOR_G] = 128;
    values->raw[E_SCALE] = DeltaRawValue(d.fields[E_SCALE], 1.0);
    values->raw[E_OWNER] = entity.number % 7 == 0 ? 1 : 0;
    values->raw[E_IMPACTTIME] = entity.number % 5 == 0 ? 150 : 0;
}

// The entity list of a group, by number: players connected then, the
// recorder always, and the other entities present then.
static void PacketAt(const StructuredGame& game, int group, EntityList* packet)
{
    const StructuredDemoSpec& spec = *game.spec;
    packet->clear();
    for (int number = 1; number <= spec.maxPlayers && number < 2048; number++) {
        const StructuredPlayer* player = PlayerInSlot(spec, number - 1);
        bool present = player ? Connected(*player, group) : number - 1 == spec.recorderSlot;
        if (!present)
            continue;
        packet->emplace_back();
        packet->back().number = number;
        PlayerState(game, number - 1, group, &packet->back().values);
    }
    std::vector<const StructuredEntity*> entities;
    for (const StructuredEntity& entity : spec.entities) {
        if (entity.number > spec.maxPlayers && entity.number < 2048 && InGroup(entity, group))
            entities.push_back(&entity);
    }
    std::stable_sort(entities.begin(), entities.end(),
                     [](const StructuredEntity* a, const StructuredEntity* b) { return a->number < b->number; });
    for (size_t i = 0; i < entities.size(); i++) {
        if (i > 0 && entities[i]->number == entities[i - 1]->number)
            continue;
        packet->emplace_back();
        packet->back().number = entities[i]->number;
        EntityState(game, *entities[i], group, &packet->back().values);
    }
}

static void WeaponState(const StructuredGame& game, int id, int clip, double next, DeltaValues* values)
{
    const DeltaDescription& d = game.descriptions[D_WEAPON];
    values->raw[W_ID] = id;
    values->raw[W_CLIP] = clip;
    Set(values, d, W_NEXT_PRIMARY, next);
    Set(values, d, W_IDLE, 1.5);
    Set(values, d, W_FUSER1, -0.25);
}

static void ClientAt(const StructuredGame& game, int group, ClientState* client)
{
    const DeltaDescription& d = game.descriptions[D_CLIENT];
    const StructuredPlayer* recorder = PlayerInSlot(*game.spec, game.spec->recorderSlot);
    memset(client, 0, sizeof *client);
    DeltaValues* values = &client->client;
    float origin[3];
    RecorderPosition(game, group, origin);
    for (int axis = 0; axis < 3; axis++)
        Set(values, d, C_ORIGIN + axis, origin[axis]);
    Set(values, d, C_VELOCITY, recorder ? recorder->stepX * 100 : 0);
    Set(values, d, C_VELOCITY + 1, recorder ? recorder->stepY * 100 : 0);
    values->raw[C_VIEWMODEL] = 40;
    Set(values, d, C_PUNCH, group % 4 == 1 ? -1.5 : 0);
    values->raw[C_FLAGS] = (int32_t)0x80000200u;   // a flag in the 32nd bit
    Set(values, d, C_VIEW_OFS_Z, 17);
    Set(values, d, C_HEALTH, 100);
    values->raw[C_WEAPONS] = (int32_t)(1u << RECORDER_WEAPON | 1u << SIDEARM_WEAPON);
    values->raw[C_STEP_SOUND] = (group * 37) % 400;
    Set(values, d, C_MAXSPEED, 250);
    Set(values, d, C_FOV, 90);
    values->raw[C_WEAPONANIM] = group % 4;
    values->raw[C_WEAPON_ID] = RECORDER_WEAPON;
    values->raw[C_PHYSINFO] = game.physinfo;
    Set(values, d, C_NEXT_ATTACK, group % 3 == 0 ? 0.125 : 0);
    WeaponState(game, RECORDER_WEAPON, 30 - group % 31, (group % 5) * 0.1, &client->weapons[RECORDER_WEAPON]);
    WeaponState(game, SIDEARM_WEAPON, 12 - (group / 10) % 13, 0, &client->weapons[SIDEARM_WEAPON]);
}

static void BuildBaselines(StructuredGame* game)
{
    const StructuredDemoSpec& spec = *game->spec;
    // Every player slot has one; a slot nobody holds yet is all zero.
    for (int number = 1; number <= spec.maxPlayers && number < 2048; number++) {
        const StructuredPlayer* player = PlayerInSlot(spec, number - 1);
        game->baselines.emplace_back();
        game->baselines.back().number = number;
        DeltaValues* values = &game->baselines.back().values;
        if ((player && player->joinGroup < 0) || (!player && number - 1 == spec.recorderSlot))
            PlayerState(*game, number - 1, 0, values);
        else
            memset(values, 0, sizeof *values);
    }
    std::vector<const StructuredEntity*> entities;
    for (const StructuredEntity& entity : spec.entities) {
        if (entity.baseline && entity.number > spec.maxPlayers && entity.number < 2048)
            entities.push_back(&entity);
    }
    std::stable_sort(entities.begin(), entities.end(),
                     [](const StructuredEntity* a, const StructuredEntity* b) { return a->number < b->number; });
    for (size_t i = 0; i < entities.size(); i++) {
        if (i > 0 && entities[i]->number == entities[i - 1]->number)
            continue;
        game->baselines.emplace_back();
        game->baselines.back().number = entities[i]->number;
        EntityState(*game, *entities[i], entities[i]->firstGroup, &game->baselines.back().values);
    }
}

void StartStructuredGame(StructuredGame* game, const StructuredDemoSpec& spec)
{
    game->spec = &spec;
    game->groups = spec.playbackGroups < 0 ? 0 : spec.playbackGroups;
    game->loadingFrames = spec.loadingFrames < 1 ? 1 : spec.loadingFrames;
    for (int i = 0; i < STRUCTURED_DESCRIPTIONS; i++)
        BuildDescription(&game->descriptions[i], Tables[i]);
    ClearDeltaStrings(&game->strings);
    static const char physinfo[] = "\\slj\\0\\bj\\0";
    game->physinfo = AddDeltaString(&game->strings, physinfo, sizeof physinfo - 1);
    game->set.clientData = &game->descriptions[D_CLIENT];
    game->set.weaponData = &game->descriptions[D_WEAPON];
    game->set.entity = &game->descriptions[D_ENTITY];
    game->set.player = &game->descriptions[D_PLAYER];
    game->set.event = &game->descriptions[D_EVENT];
    game->set.strings = &game->strings;
    game->set.maxClients = spec.maxPlayers;
    game->filler.assign((size_t)game->groups, false);
    if (spec.entityBytes > 0) {
        for (int g = 0; g < game->groups; g++)
            game->filler[(size_t)g] = spec.fillerGroups.empty();
        for (int g : spec.fillerGroups) {
            if (g >= 0 && g < game->groups)
                game->filler[(size_t)g] = true;
        }
    }
    game->baselines.clear();
    BuildBaselines(game);
}

uint32_t SignonSequence(const StructuredGame&, int frame)
{
    return FIRST_SEQUENCE + (uint32_t)frame;
}

uint32_t GroupSequence(const StructuredGame& game, int group)
{
    return FIRST_SEQUENCE + (uint32_t)game.loadingFrames + (uint32_t)group;
}

StructuredView GroupView(const StructuredGame& game, int group)
{
    StructuredView view;
    RecorderPosition(game, group, view.origin);
    view.angles[0] = -(float)(350 + game.spec->recorderSlot) / 3;
    view.angles[1] = (float)((15 * group + 40 * game.spec->recorderSlot) % 360);
    view.angles[2] = 0;
    return view;
}

// A message begins at the end of the frame's bytes.
static MessageBytes* Next(FrameMessages* frame)
{
    frame->starts.push_back(frame->bytes.size());
    return &frame->bytes;
}

// A user message by its registered name; false, and nothing written, when
// the spec does not register it.
static bool PutGameMessage(const StructuredGame& game, FrameMessages* out, const char* name,
                           const MessageBytes& payload)
{
    const std::vector<StructuredUserMessage>& list = game.spec->userMessages;
    for (size_t i = 0; i < list.size(); i++) {
        if (list[i].name == name) {
            WriteUserMessage(Next(out), (int)(64 + i), list[i].size, payload);
            return true;
        }
    }
    return false;
}

static void PutCoord(MessageBytes* out, float value)
{
    PutShort(out, (int)(value * 8));
}

static std::string InfoString(const StructuredDemoSpec& spec, const StructuredPlayer& player, int group)
{
    std::string info = "\\bottomcolor\\6\\cl_lw\\1\\name\\" + NameAt(spec, player, group) + "\\model\\gign";
    if (player.hltv)
        info += "\\*hltv\\1";
    if (!player.steamId.empty())
        info += "\\*sid\\" + player.steamId;
    if (player.bot)
        info += "\\*bot\\1";
    return info;
}

static void PutPlayerInfo(FrameMessages* frame, const StructuredPlayer& player, const std::string& info)
{
    MessageBytes* out = Next(frame);
    PutByte(out, SVC_UPDATEUSERINFO);
    PutByte(out, (unsigned)player.slot);
    PutLong(out, (uint32_t)player.userId);
    PutString(out, info.c_str());
    out->insert(out->end(), 16, info.empty() ? 0 : 0xAB);
}

static void PutTeamInfo(const StructuredGame& game, FrameMessages* out, const StructuredPlayer& player)
{
    if (player.team.empty())
        return;
    MessageBytes payload;
    PutByte(&payload, (unsigned)player.slot + 1);
    PutString(&payload, player.team.c_str());
    PutGameMessage(game, out, "TeamInfo", payload);
}

static void PutScoreInfo(const StructuredGame& game, FrameMessages* out, const StructuredPlayer& player, int frags,
                         int deaths)
{
    MessageBytes payload;
    PutByte(&payload, (unsigned)player.slot + 1);
    PutShort(&payload, frags);
    PutShort(&payload, deaths);
    PutShort(&payload, 0);
    PutShort(&payload, TeamNumber(player.team));
    PutGameMessage(game, out, "ScoreInfo", payload);
}

// Frags and deaths of an entity after kill `last`: the kills of earlier
// groups and those of its group up to it. Killing oneself, or being killed
// by the world, costs a frag.
static void Score(const StructuredDemoSpec& spec, int entity, size_t last, int* frags, int* deaths)
{
    *frags = *deaths = 0;
    int group = spec.kills[last].group;
    for (size_t i = 0; i < spec.kills.size(); i++) {
        const StructuredKill& kill = spec.kills[i];
        if (kill.group > group || (kill.group == group && i > last))
            continue;
        if (kill.victim == entity) {
            (*deaths)++;
            if (kill.killer == entity || kill.killer == 0)
                (*frags)--;
        }
        if (kill.killer == entity && kill.victim != entity)
            (*frags)++;
    }
}

static bool PutChat(const StructuredGame& game, FrameMessages* out, const StructuredChat& chat)
{
    MessageBytes payload;
    PutByte(&payload, (unsigned)chat.sender);
    if (chat.key.empty()) {
        PutString(&payload, ("\x02" + chat.text + "\n").c_str());
    } else {
        PutString(&payload, chat.key.c_str());
        PutString(&payload, "");
        PutString(&payload, (chat.text + "\n").c_str());
    }
    return PutGameMessage(game, out, "SayText", payload);
}

static void PutServerInfo(const StructuredGame& game, FrameMessages* frame)
{
    const StructuredDemoSpec& spec = *game.spec;
    MessageBytes* out = Next(frame);
    PutByte(out, SVC_SERVERINFO);
    PutLong(out, (uint32_t)spec.networkProtocol);
    PutLong(out, 1);                               // spawn count
    PutLong(out, 0x5EED0000u ^ (uint32_t)spec.recorderSlot);
    for (int i = 0; i < 16; i++)
        PutByte(out, (unsigned)(0x10 + i));        // client.dll MD5
    PutByte(out, (unsigned)spec.maxPlayers);
    PutByte(out, (unsigned)spec.recorderSlot);
    PutByte(out, 1);                               // deathmatch
    PutString(out, spec.gameDir.c_str());
    PutString(out, spec.hostName.c_str());
    PutString(out, ("maps/" + spec.mapName + ".bsp").c_str());
    PutString(out, "de_dust2\nde_inferno\n");
    PutByte(out, 0);                               // VAC
}

static void PutMovevars(FrameMessages* frame)
{
    static const float first[16] = {800, 75, 320, 500, 5, 10, 10, 4, 2, 1, 1, 1, 18, 2000, 4096, 0};
    MessageBytes* out = Next(frame);
    PutByte(out, SVC_NEWMOVEVARS);
    for (float value : first)
        PutFloat(out, value);
    PutByte(out, 1);                               // footsteps
    for (int i = 0; i < 8; i++)
        PutFloat(out, 0);
    PutString(out, "desert");
}

static void PutResources(FrameMessages* out)
{
    static const ResourceEntry resources[] = {
        {6, "maps/de_dust2.bsp", 1, 0, 0, false},
        {2, "models/player/gign/gign.mdl", 2, 0, 1, true},
        {0, "weapons/ak47-1.wav", 200, 0, 0, false},
        {5, "events/ak47.sc", 12, 0, 0, false},
        {4, "sprites/hud.txt", 0, 4096, 0, false},
    };
    static const int consistency[] = {1, 2, 40};
    MessageBytes* request = Next(out);
    PutByte(request, SVC_RESOURCEREQUEST);
    PutLong(request, 1);
    PutLong(request, 0);
    WriteResourceList(Next(out), resources, sizeof resources / sizeof resources[0], consistency,
                      sizeof consistency / sizeof consistency[0]);
}

void PutSignonMessages(StructuredGame* game, int frame, FrameMessages* out)
{
    const StructuredDemoSpec& spec = *game->spec;
    int last = game->loadingFrames - 1;
    MessageBytes* bytes;
    if (frame == 0) {
        bytes = Next(out);
        PutByte(bytes, SVC_PRINT);
        PutString(bytes, "Flickbox test server\n");
        PutServerInfo(*game, out);
        bytes = Next(out);
        PutByte(bytes, SVC_SENDEXTRAINFO);
        PutString(bytes, "");
        PutByte(bytes, 0);
        for (const DeltaDescription& description : game->descriptions)
            WriteDeltaDescription(Next(out), description);
        PutMovevars(out);
        bytes = Next(out);
        PutByte(bytes, SVC_CDTRACK);
        PutShort(bytes, 0);
        bytes = Next(out);
        PutByte(bytes, SVC_SETVIEW);
        PutShort(bytes, spec.recorderSlot + 1);
        // The server sends its registrations newest first.
        for (size_t i = spec.userMessages.size(); i-- > 0;)
            WriteUserMessageRegistration(Next(out), (int)(64 + i), spec.userMessages[i].size,
                                         spec.userMessages[i].name.c_str());
    }
    if (frame == (last < 1 ? 0 : 1))
        PutResources(out);
    if (frame > 1 && frame < last) {
        for (int i = 0; i < 8; i++)
            PutByte(Next(out), SVC_NOP);
    }
    if (frame != last)
        return;
    bytes = Next(out);
    PutByte(bytes, SVC_TIME);
    PutFloat(bytes, 1.0f);
    // Player infos before the bit-packed messages, where a whole-byte walk meets them.
    for (const StructuredPlayer& player : spec.players) {
        if (player.joinGroup < 0)
            PutPlayerInfo(out, player, InfoString(spec, player, -1));
    }
    WriteSpawnBaseline(Next(out), game->set, game->baselines);
    static const char* const styles[] = {"m", "mmnmmommommnonmmonqnmmo"};
    for (unsigned i = 0; i < 2; i++) {
        bytes = Next(out);
        PutByte(bytes, SVC_LIGHTSTYLE);
        PutByte(bytes, i);
        PutString(bytes, styles[i]);
    }
    StructuredView view = GroupView(*game, 0);
    bytes = Next(out);
    PutByte(bytes, SVC_SETANGLE);
    for (float angle : view.angles)
        PutShort(bytes, (int)(angle * 65536 / 360));
    ClientAt(*game, 0, &game->signonClient);
    WriteClientData(Next(out), game->set, NULL, 0, game->signonClient);
    bytes = Next(out);
    PutByte(bytes, SVC_VOICEINIT);
    PutString(bytes, "voice_speex");
    PutByte(bytes, 5);
}

// The group a group's deltas are written against: the one before, every
// fourth group the one before that, never a filler group; -1 for a full update.
static int FromGroup(const StructuredGame& game, int group)
{
    if (group == 0)
        return -1;
    int from = group - (group % 4 == 3 ? 2 : 1);
    while (from >= 0 && game.filler[(size_t)from])
        from--;
    return from < 0 || group - from > MAX_DELTA_BACK ? -1 : from;
}

static void PutReliable(StructuredGame* game, int group, FrameMessages* out,
                        std::vector<std::pair<size_t, size_t>>* chatAt)
{
    const StructuredDemoSpec& spec = *game->spec;
    if (group == 0) {
        PutGameMessage(*game, out, "ResetHUD", MessageBytes());
        PutGameMessage(*game, out, "CurWeapon", {1, RECORDER_WEAPON, 30});
        PutGameMessage(*game, out, "Health", {100});
        PutGameMessage(*game, out, "Money", {0x20, 0x03, 0, 0, 0});
        PutGameMessage(*game, out, "RoundTime", {0xB4, 0});
    }
    for (const StructuredPlayer& player : spec.players) {
        if (player.joinGroup == group)
            PutPlayerInfo(out, player, InfoString(spec, player, group));
        if (player.leaveGroup == group)
            PutPlayerInfo(out, player, "");
        if (player.joinGroup == group || (group == 0 && player.joinGroup < 0)) {
            PutTeamInfo(*game, out, player);
            PutScoreInfo(*game, out, player, 0, 0);
        }
    }
    for (const StructuredNameChange& change : spec.nameChanges) {
        const StructuredPlayer* player = PlayerInSlot(spec, change.slot);
        if (change.group == group && player)
            PutPlayerInfo(out, *player, InfoString(spec, *player, group));
    }
    for (size_t i = 0; i < spec.kills.size(); i++) {
        const StructuredKill& kill = spec.kills[i];
        if (kill.group != group)
            continue;
        MessageBytes payload = {(unsigned char)kill.killer, (unsigned char)kill.victim,
                                (unsigned char)kill.headshot};
        PutString(&payload, kill.weapon.c_str());
        PutGameMessage(*game, out, "DeathMsg", payload);
        for (int entity : {kill.killer, kill.victim}) {
            const StructuredPlayer* player = PlayerInSlot(spec, entity - 1);
            int frags, deaths;
            Score(spec, entity, i, &frags, &deaths);
            bool once = entity == kill.victim || kill.killer != kill.victim;
            if (player && once)
                PutScoreInfo(*game, out, *player, frags, deaths);
        }
    }
    int scoreT = 0, scoreCT = 0;
    for (const StructuredRound& round : spec.rounds) {
        if (round.group > group)
            continue;
        scoreT += round.winner == ROUND_T;
        scoreCT += round.winner == ROUND_CT;
        if (round.group != group)
            continue;
        MessageBytes text = {4};
        PutString(&text, round.key.c_str());
        PutGameMessage(*game, out, "TextMsg", text);
        if (round.winner == ROUND_NOT_AN_END)
            continue;
        MessageBytes audio = {0};
        PutString(&audio, round.winner == ROUND_T ? "%!MRAD_terwin" : round.winner == ROUND_CT ? "%!MRAD_ctwin"
                                                                                             : "%!MRAD_rounddraw");
        PutShort(&audio, 100);
        PutGameMessage(*game, out, "SendAudio", audio);
        MessageBytes ct, t;
        PutString(&ct, "CT");
        PutShort(&ct, scoreCT);
        PutString(&t, "TERRORIST");
        PutShort(&t, scoreT);
        PutGameMessage(*game, out, "TeamScore", ct);
        PutGameMessage(*game, out, "TeamScore", t);
    }
    // Chat sent to one client reliably comes before the unreliable part.
    for (size_t c = (size_t)group; c < spec.chat.size(); c += (size_t)game->groups) {
        if (!spec.chat[c].late) {
            size_t at = out->bytes.size();
            if (PutChat(*game, out, spec.chat[c]))
                chatAt->push_back({c, at});
        }
    }
}

static int PacketIndex(const EntityList& packet, int number)
{
    for (size_t i = 0; i < packet.size(); i++) {
        if (packet[i].number == number)
            return (int)i;
    }
    return -1;
}

static const DeltaValues* EntityValues(const EntityList& packet, int number)
{
    int i = PacketIndex(packet, number);
    return i < 0 ? NULL : &packet[(size_t)i].values;
}

// Where an entity is in a packet, as whole-byte coordinates take it.
static void EntityOrigin(const StructuredGame& game, const EntityList& packet, int number, float origin[3])
{
    const DeltaValues* values = EntityValues(packet, number);
    const DeltaDescription& d = number <= game.spec->maxPlayers ? game.descriptions[D_PLAYER]
                                                                : game.descriptions[D_ENTITY];
    static const int playerAxes[3] = {P_ORIGIN_X, P_ORIGIN_Y, P_ORIGIN_Z};
    static const int entityAxes[3] = {E_ORIGIN_X, E_ORIGIN_Y, E_ORIGIN_Z};
    for (int axis = 0; axis < 3; axis++) {
        int field = number <= game.spec->maxPlayers ? playerAxes[axis] : entityAxes[axis];
        origin[axis] = values ? (float)DeltaFieldValue(d.fields[field], values->raw[field], 0) : 0;
    }
}

static void PutKillEffects(StructuredGame* game, int group, const EntityList& packet, FrameMessages* out)
{
    const StructuredDemoSpec& spec = *game->spec;
    std::vector<EventEntry> events;
    size_t n = 0;
    for (size_t i = 0; i < spec.kills.size(); i++) {
        const StructuredKill& kill = spec.kills[i];
        if (kill.group != group)
            continue;
        float killerAt[3], victimAt[3];
        EntityOrigin(*game, packet, kill.killer, killerAt);
        EntityOrigin(*game, packet, kill.victim, victimAt);
        EventEntry event = EventEntry();
        event.index = 12;
        event.packetIndex = kill.killer == 0 ? -1 : PacketIndex(packet, kill.killer);
        event.hasArguments = event.packetIndex >= 0;
        const DeltaDescription& d = game->descriptions[D_EVENT];
        event.arguments.raw[EV_ENTINDEX] = kill.killer;
        for (int axis = 0; axis < 3; axis++)
            Set(&event.arguments, d, EV_ORIGIN + axis, killerAt[axis]);
        Set(&event.arguments, d, EV_ANGLES + 1, 90);
        Set(&event.arguments, d, EV_FPARAM1, -0.5);
        event.arguments.raw[EV_IPARAM1] = -(int)i - 1;
        event.arguments.raw[EV_BPARAM1] = kill.headshot;
        event.fireTime = n % 2 ? 5 : 0;
        events.push_back(event);

        SoundEntry sound = {200, 51, 2, kill.victim, n % 2 ? 300 : 200, {victimAt[0], victimAt[1], victimAt[2]},
                            n % 2 ? 110 : 100};
        WriteSound(Next(out), sound);
        MessageBytes* bytes = Next(out);
        PutByte(bytes, SVC_TEMP_ENTITY);
        PutByte(bytes, TE_SPARKS);
        for (float axis : victimAt)
            PutCoord(bytes, axis);
        if (kill.killer == spec.recorderSlot + 1) {
            bytes = Next(out);
            PutByte(bytes, SVC_WEAPONANIM);
            PutByte(bytes, 3);
            PutByte(bytes, 0);
        }
        n++;
    }
    if (!events.empty())
        WriteEvents(Next(out), game->set, events.data(), events.size());
}

static void PutEffects(StructuredGame* game, int group, const EntityList& packet, FrameMessages* out)
{
    PutKillEffects(game, group, packet, out);
    MessageBytes* bytes;
    if (group == 0) {
        bytes = Next(out);
        PutByte(bytes, SVC_ROOMTYPE);
        PutShort(bytes, 0);
        // A centred text with effect 2, whose effect time is sent.
        bytes = Next(out);
        PutByte(bytes, SVC_TEMP_ENTITY);
        PutByte(bytes, TE_TEXTMESSAGE);
        PutByte(bytes, 1);
        PutShort(bytes, -8192);
        PutShort(bytes, 2000);
        PutByte(bytes, 2);
        for (unsigned colour : {255u, 160u, 0u, 255u, 255u, 255u, 255u, 255u})
            PutByte(bytes, colour);
        PutShort(bytes, 25);
        PutShort(bytes, 100);
        PutShort(bytes, 1500);
        PutShort(bytes, 64);
        PutString(bytes, "Welcome to the test server");
    }
    if (group == 1 || group == 2) {
        // A decal on the world, then one on an entity, which adds its model.
        bytes = Next(out);
        PutByte(bytes, SVC_TEMP_ENTITY);
        PutByte(bytes, TE_BSPDECAL);
        for (int i = 0; i < 3; i++)
            PutCoord(bytes, 16.0f * (float)(i + group));
        PutShort(bytes, 7);
        PutShort(bytes, group == 1 ? 0 : 40);
        if (group == 2)
            PutShort(bytes, 3);
    }
    if (group % 10 == 5) {
        std::vector<PingEntry> pings;
        for (const PacketEntity& entity : packet) {
            if (entity.number <= game->spec->maxPlayers)
                pings.push_back({entity.number - 1, 20 + entity.number, entity.number % 3});
        }
        WritePings(Next(out), pings.data(), pings.size());
    }
}

void PutGroupMessages(StructuredGame* game, int group, FrameMessages* out,
                      std::vector<std::pair<size_t, size_t>>* chatAt)
{
    const StructuredDemoSpec& spec = *game->spec;
    PutReliable(game, group, out, chatAt);
    MessageBytes* bytes = Next(out);
    PutByte(bytes, SVC_TIME);
    PutFloat(bytes, 60.0f + 0.01f * (float)(group + 1));
    if (game->filler[(size_t)group]) {
        // Bit-packed-looking bytes: all 0x80 or above, so no id the pattern
        // search looks for can come from them.
        bytes = Next(out);
        PutByte(bytes, SVC_CLIENTDATA);
        unsigned seed = (unsigned)group;
        for (size_t i = 0; i < spec.entityBytes; i++) {
            seed = seed * 1103515245u + 12345u;
            bytes->push_back((unsigned char)(seed >> 16 | 0x80));
        }
    } else {
        EntityList packet, old;
        ClientState client, oldClient;
        PacketAt(*game, group, &packet);
        ClientAt(*game, group, &client);
        int from = FromGroup(*game, group);
        if (from < 0) {
            WriteClientData(Next(out), game->set, NULL, 0, client);
            WritePacketEntities(Next(out), game->set, game->baselines, packet);
        } else {
            int deltaFrom = (int)(GroupSequence(*game, from) & 0xFF);
            PacketAt(*game, from, &old);
            ClientAt(*game, from, &oldClient);
            WriteClientData(Next(out), game->set, &oldClient, deltaFrom, client);
            WriteDeltaPacketEntities(Next(out), game->set, game->baselines, old, deltaFrom, packet);
        }
        PutEffects(game, group, packet, out);
    }
    // Broadcast messages come after the entity data.
    for (const StructuredNameChange& change : spec.nameChanges) {
        const StructuredPlayer* player = PlayerInSlot(spec, change.slot);
        if (change.group != group || !player)
            continue;
        MessageBytes payload;
        PutByte(&payload, (unsigned)change.slot + 1);
        PutString(&payload, "#Cstrike_Name_Change");
        PutString(&payload, NameAt(spec, *player, group - 1).c_str());
        PutString(&payload, change.name.c_str());
        PutGameMessage(*game, out, "SayText", payload);
    }
    for (size_t c = (size_t)group; c < spec.chat.size(); c += (size_t)game->groups) {
        if (spec.chat[c].late) {
            size_t at = out->bytes.size();
            if (PutChat(*game, out, spec.chat[c]))
                chatAt->push_back({c, at});
        }
    }
}
