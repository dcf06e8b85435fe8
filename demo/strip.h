#pragma once
#include <windows.h>

// Blanks the team chat of the demo named in the main window, after asking.
void StripTeamMessages(HWND mainDialog);
