#pragma once
#include <windows.h>

// Stages the demo of field 1000, starts the game, waits for it and cleans up.
void PlayDemo(HWND mainDialog);
