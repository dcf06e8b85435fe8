#pragma once
#include <windows.h>

// Reports a failed registry call: the registry functions return their error
// instead of setting the last error, so it is set here for the message's
// system text.
void ReportRegistryError(LONG status, const char* message);
