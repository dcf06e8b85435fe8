#include "ui/single_instance.h"

#include <string.h>

void HandOverDemoPath(HWND window, const char* path)
{
    COPYDATASTRUCT record;
    record.dwData = 0;
    record.cbData = (DWORD)strlen(path) + 1;
    record.lpData = (void*)path;
    SendMessageA(window, WM_COPYDATA, 0, (LPARAM)&record);
}
