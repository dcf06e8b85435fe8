#include "shared/error_text.h"

#include "shared/text.h"

bool ComposeErrorText(char* dest, size_t size, const char* message, const char* systemText)
{
    return FormatText(dest, size, "%s: %s", message, systemText ? systemText : "");
}
