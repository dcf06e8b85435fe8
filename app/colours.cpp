#include "app/colours.h"

HBRUSH dialogBrush;
HBRUSH editBrush;
HBRUSH buttonBrush;

void CreateDialogBrushes()
{
    dialogBrush = CreateSolidBrush(CONTROL_BACK_COLOUR);
    editBrush = CreateSolidBrush(CONTROL_BACK_COLOUR);
    buttonBrush = CreateSolidBrush(CONTROL_BACK_COLOUR);
}

static void ReleaseBrush(HBRUSH* brush)
{
    if (*brush) {
        DeleteObject(*brush);
        *brush = NULL;
    }
}

void ReleaseDialogBrushes()
{
    ReleaseBrush(&dialogBrush);
    ReleaseBrush(&editBrush);
    ReleaseBrush(&buttonBrush);
}

void SetControlTextColours(HDC dc)
{
    SetTextColor(dc, CONTROL_TEXT_COLOUR);
    SetBkMode(dc, TRANSPARENT);
}
