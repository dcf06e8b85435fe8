#include "playback/registry_report.h"

#include "shared/messages.h"

void ReportRegistryError(LONG status, const char* message)
{
    SetLastError((DWORD)status);
    ReportSystemError(message);
}
