#include "app/centre_window.h"

void CentreWindow(HWND window)
{
    RECT rect;
    if (!GetWindowRect(window, &rect))
        return;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    // Signed on purpose: a window larger than the area gets a negative origin.
    int left = (GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2;
    int top = (GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2;
    MoveWindow(window, left, top, width, height, FALSE);
}
