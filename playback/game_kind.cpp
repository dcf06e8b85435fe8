#include "playback/game_kind.h"

#include "shared/text.h"

static const GameRegistry halfLifeRegistry = {
    "Software\\Valve\\Half-Life\\Settings",
    "Could not read Half-Life registry",
    "Could not read HLV1",
    "Could not read HLV2",
};

static const GameRegistry counterStrikeRegistry = {
    "Software\\Valve\\CounterStrike\\Settings",
    "Could not read CounterStrike registry",
    "Could not read CSV1",
    "Could not read CSV2",
};

GameKind GameKindFromPath(const char* exePath)
{
    char lower[PATH_BUFFER_SIZE];
    // The path comes from a 260-character field; anything longer names no game.
    if (!LowerCaseCopy(exePath, lower, sizeof lower))
        return GAME_NONE;
    if (ContainsText(lower, "hl.exe"))
        return GAME_HALF_LIFE;
    if (ContainsText(lower, "cstrike.exe"))
        return GAME_COUNTER_STRIKE;
    return GAME_NONE;
}

const GameRegistry* GameRegistryFor(GameKind kind)
{
    switch (kind) {
    case GAME_HALF_LIFE:
        return &halfLifeRegistry;
    case GAME_COUNTER_STRIKE:
        return &counterStrikeRegistry;
    default:
        return 0;
    }
}
