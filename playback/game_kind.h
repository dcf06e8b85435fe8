#pragma once
// Which game an executable path names, and where that game keeps its video
// mode. Decided on a lower-cased copy of the whole path, folder names
// included; "hl.exe" is tested before "cstrike.exe".

enum GameKind {
    GAME_NONE,
    GAME_HALF_LIFE,
    GAME_COUNTER_STRIKE
};

// The game's video-mode key under HKEY_CURRENT_USER and the messages that
// name it when its values cannot be read.
struct GameRegistry {
    const char* key;
    const char* openFailure;
    const char* heightFailure;
    const char* widthFailure;
};

GameKind GameKindFromPath(const char* exePath);

// The key and messages of a game; NULL for GAME_NONE.
const GameRegistry* GameRegistryFor(GameKind kind);
