#include "ui/association_values.h"

#include "shared/text.h"

bool ComposeOpenCommand(const char* exePath, char* dest, size_t size)
{
    return FormatText(dest, size, "%s %%1", exePath);
}

bool ComposeDefaultIcon(const char* exePath, char* dest, size_t size)
{
    return FormatText(dest, size, "%s,0", exePath);
}
