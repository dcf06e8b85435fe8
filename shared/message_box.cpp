#include <windows.h>

#include "shared/messages.h"

int ShowMessageBox(const char* text, const char* caption, unsigned int flags)
{
    return MessageBoxA(NULL, text, caption, flags);
}
