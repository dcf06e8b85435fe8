#pragma once
#include <windows.h>

// Stores fields 1011, 1013 and 1026 in the settings key; true when all three
// values were written.
bool SaveSettings(HWND mainDialog);

// Fills the three fields from the settings key, then reads the game's video
// mode into currentWidth and currentHeight. Called once, at start-up.
void LoadSettings(HWND mainDialog);
