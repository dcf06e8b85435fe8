#include <windows.h>

#include "revert/revert_engine_files.h"

// flickbox-revert: no window and no arguments; every outcome is shown in a box.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RevertEngineFiles();
    return 0;
}
