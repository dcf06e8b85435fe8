#include <windows.h>

#include "app/app_state.h"
#include "app/colours.h"
#include "ui/main_dialog.h"
#include "ui/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    CreateDialogBrushes();
    appInstance = instance;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDialogProc, 0);
    return 0;
}
