#pragma once
// The process-wide state of flickbox, defined once.

#include <windows.h>

#include "shared/text.h"

enum {
    RESOLUTION_TEXT_SIZE = 8,   // up to 7 characters
    VERSION_TEXT_SIZE = 5       // a sign and three digits
};

struct AppState {
    char programDir[PATH_BUFFER_SIZE];       // no trailing backslash
    char startupDemoPath[PATH_BUFFER_SIZE];
    char currentWidth[RESOLUTION_TEXT_SIZE];  // the game's own video mode
    char currentHeight[RESOLUTION_TEXT_SIZE];
    char demoWidth[RESOLUTION_TEXT_SIZE];     // "*" when not detected
    char demoHeight[RESOLUTION_TEXT_SIZE];
    char networkVersion[VERSION_TEXT_SIZE];
    bool isHltv;
    char modDir[PATH_BUFFER_SIZE];
    HBITMAP mapPreview;                        // owned; release before replacing
};

extern AppState appState;

// The module whose dialogs, bitmaps and icon are loaded.
extern HINSTANCE appInstance;

// Deletes mapPreview, if any, and leaves none.
void ReleaseMapPreview();
