#include "shared/text.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

bool CopyText(char* dest, size_t size, const char* src)
{
    return CopyTextPrefix(dest, size, src, (size_t)-1);
}

bool CopyTextPrefix(char* dest, size_t size, const char* src, size_t maxLength)
{
    if (size == 0)
        return false;
    size_t length = 0;
    while (length < maxLength && src[length] != '\0')
        length++;
    bool fits = length < size;
    if (!fits)
        length = size - 1;
    memcpy(dest, src, length);
    dest[length] = '\0';
    return fits;
}

bool AppendText(char* dest, size_t size, const char* src)
{
    size_t used = strnlen(dest, size);
    if (used >= size)
        return false;
    return CopyText(dest + used, size - used, src);
}

bool FormatText(char* dest, size_t size, const char* format, ...)
{
    if (size == 0)
        return false;
    va_list args;
    va_start(args, format);
    int length = vsnprintf(dest, size, format, args);
    va_end(args);
    dest[size - 1] = '\0';
    if (length < 0) {
        dest[0] = '\0';
        return false;
    }
    return (size_t)length < size;
}

void CutAtLastBackslash(char* path)
{
    char* last = strrchr(path, '\\');
    if (last)
        *last = '\0';
}

bool DeriveInstallDir(char* dest, size_t size, const char* exePath)
{
    const char* last = strrchr(exePath, '\\');
    size_t length = last ? (size_t)(last - exePath) : strlen(exePath);
    return CopyTextPrefix(dest, size, exePath, length);
}

bool LowerCaseCopy(char* dest, size_t size, const char* src)
{
    bool fits = CopyText(dest, size, src);
    for (char* c = dest; *c; c++) {
        if (*c >= 'A' && *c <= 'Z')
            *c = (char)(*c - 'A' + 'a');
    }
    return fits;
}

bool ContainsText(const char* text, const char* part)
{
    return strstr(text, part) != NULL;
}

bool ComposeErrorText(char* dest, size_t size, const char* message, const char* systemText)
{
    return FormatText(dest, size, "%s: %s", message, systemText ? systemText : "");
}
