#pragma once
// The colours both dialogs paint their controls with.

#include <windows.h>

#define CONTROL_TEXT_COLOUR RGB(209, 202, 187)
#define CONTROL_BACK_COLOUR RGB(93, 86, 71)

extern HBRUSH dialogBrush;
extern HBRUSH editBrush;
extern HBRUSH buttonBrush;

// Made when the program starts; released when the main dialog is destroyed.
void CreateDialogBrushes();
void ReleaseDialogBrushes();

// Text colour on a transparent background, for a WM_CTLCOLOR* message.
void SetControlTextColours(HDC dc);
