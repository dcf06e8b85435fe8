#include "playback/game_kind.h"

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
