#include <windows.h>

#include "shared/messages.h"

void ShowNotice(const char* text)
{
    ShowMessageBox(text, "Flickbox", MB_OK | MB_ICONINFORMATION);
}

bool AskQuestion(const char* text)
{
    return ShowMessageBox(text, "Flickbox", MB_OKCANCEL | MB_ICONQUESTION) != IDCANCEL;
}
