#pragma once
#include <windows.h>

// The main window: the top-level window titled "Flickbox", preferring the main
// dialog over a message box of the same title; NULL when there is none.
HWND FindMainWindow();
