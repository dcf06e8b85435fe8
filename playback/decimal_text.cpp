#include "playback/decimal_text.h"

#include "shared/text.h"

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
