#include <windows.h>

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/colours.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    CreateDialogBrushes();
    appInstance = GetModuleHandleA(NULL);
    GetModuleFileNameA(NULL, appState.programDir, sizeof appState.programDir);
    CutAtLastBackslash(appState.programDir);
    return RUN_ALL_TESTS();
}
