#pragma once
// Where each game keeps its video mode (which game a path names is decided in
// shared/engine_plan.h, beside the engine-file set's own rule).

#include "shared/engine_plan.h"

// The game's video-mode key under HKEY_CURRENT_USER and the messages that
// name it when its values cannot be read.
struct GameRegistry {
    const char* key;
    const char* openFailure;
    const char* heightFailure;
    const char* widthFailure;
};

// The key and messages of a game; NULL for GAME_NONE.
const GameRegistry* GameRegistryFor(GameKind kind);
