#pragma once
#include "playback/game_kind.h"

// Writes the game's EngineModeH then EngineModeW from decimal text. A text
// that holds no number (a mode never read) leaves its value alone.
void WriteGameVideoMode(const GameRegistry* game, const char* heightText, const char* widthText);
