#include "shared/registry.h"

#include <string.h>

#include "shared/messages.h"

const char SettingsKeyName[] = "Software\\Brakwood\\Flickbox\\Settings";

LONG ReadRegistryText(char* text, DWORD size, HKEY key, const char* name)
{
    memset(text, 0, size);
    DWORD length = size;
    LONG status = RegQueryValueExA(key, name, NULL, NULL, (BYTE*)text, &length);
    if (status == ERROR_SUCCESS && !memchr(text, '\0', size))
        status = ERROR_MORE_DATA;
    text[size - 1] = '\0';
    return status;
}

void ReportRegistryError(LONG status, const char* message)
{
    SetLastError((DWORD)status);
    ReportSystemError(message);
}
