#pragma once
#include <windows.h>

// Inspects the demo named in the main dialog's path field and shows it there.
// The preview it replaces is the caller's to release: ShowDemo does both.
void InspectDemo(HWND mainDialog);

// Shows the demo named in the path field afresh: releases the preview shown,
// then inspects. Every command that loads a demo comes here.
void ShowDemo(HWND mainDialog);
