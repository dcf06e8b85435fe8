#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "shared/messages.h"
#include "shared/text.h"

void ReportSystemError(const char* message)
{
    DWORD error = GetLastError();
    char* systemText = NULL;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                       FORMAT_MESSAGE_ALLOCATE_BUFFER,
                   NULL, error, 0, (LPSTR)&systemText, 0, NULL);

    // Sized to fit, so the box always shows the whole text.
    size_t size = strlen(message) + (systemText ? strlen(systemText) : 0) + 3;
    char* text = (char*)malloc(size);
    if (text) {
        (void)ComposeErrorText(text, size, message, systemText);
        ShowMessageBox(text, "Error", MB_ICONINFORMATION);
        free(text);
    } else {
        ShowMessageBox(message, "Error", MB_ICONINFORMATION);
    }
    if (systemText)
        LocalFree(systemText);
}
