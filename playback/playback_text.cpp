#include "playback/playback_text.h"

#include <string.h>

#include "shared/text.h"

bool ComposeGameCommandLine(char* dest, size_t size, const char* exePath,
                            const char* extraCommandLine, const char* modDir,
                            const char* demoSpeed)
{
    return FormatText(dest, size,
                      "%s %s -game %s -console -toconsole +exec config.cfg +playdemo flickbox.dem %s",
                      exePath, extraCommandLine, modDir, demoSpeed);
}

bool ComposeStagedDemoPath(char* dest, size_t size, const char* installDir,
                           const char* modDir)
{
    return FormatText(dest, size, "%s\\%s\\flickbox.dem", installDir, modDir);
}

bool IsSafeModDir(const char* modDir)
{
    if (strcmp(modDir, ".") == 0 || strcmp(modDir, "..") == 0)
        return false;
    return strpbrk(modDir, "\\/:") == NULL;
}

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

static bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips the blanks and the sign; returns the first digit's position.
static const char* SkipToDigits(const char* text, bool* negative)
{
    while (IsBlank(*text))
        text++;
    *negative = false;
    if (*text == '+' || *text == '-') {
        *negative = *text == '-';
        text++;
    }
    return text;
}

int32_t TextToLong(const char* text)
{
    bool negative;
    const char* digit = SkipToDigits(text, &negative);
    int64_t value = 0;
    const int64_t limit = negative ? (int64_t)INT32_MAX + 1 : INT32_MAX;
    for (; IsDigit(*digit); digit++) {
        value = value * 10 + (*digit - '0');
        if (value > limit)
            value = limit;
    }
    return (int32_t)(negative ? -value : value);
}

bool HoldsDecimalNumber(const char* text)
{
    bool negative;
    return IsDigit(*SkipToDigits(text, &negative));
}

bool FormatDecimal(char* dest, size_t size, int32_t value)
{
    return FormatText(dest, size, "%ld", (long)value);
}
