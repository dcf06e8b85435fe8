#include "cli/cli_json.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include "shared/text.h"

// Messages, names and texts here are kept as far as their buffers reach: a
// cut one still reads, so the bounded copies marked (void) do not fail on it.

// The length of the valid UTF-8 sequence at bytes, or 0 when the bytes there
// do not start one (overlong forms, surrogates and code points above
// U+10FFFF are invalid).
static size_t ValidSequenceLength(const unsigned char* bytes, size_t left)
{
    unsigned char lead = bytes[0];
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (left < length || bytes[1] < low || bytes[1] > high)
        return 0;
    for (size_t k = 2; k < length; k++) {
        if (bytes[k] < 0x80 || bytes[k] > 0xBF)
            return 0;
    }
    return length;
}

void AppendJsonString(std::string* out, const char* text, size_t length)
{
    static const char hex[] = "0123456789abcdef";
    const unsigned char* bytes = (const unsigned char*)text;
    out->push_back('"');
    size_t i = 0;
    while (i < length) {
        unsigned char c = bytes[i];
        if (c >= 0x80) {
            size_t sequence = ValidSequenceLength(bytes + i, length - i);
            if (sequence) {
                out->append(text + i, sequence);
                i += sequence;
            } else {
                // U+0080..U+00FF in UTF-8.
                out->push_back((char)(0xC0 | (c >> 6)));
                out->push_back((char)(0x80 | (c & 0x3F)));
                i++;
            }
            continue;
        }
        switch (c) {
        case '"': out->append("\\\""); break;
        case '\\': out->append("\\\\"); break;
        case '\n': out->append("\\n"); break;
        case '\r': out->append("\\r"); break;
        case '\t': out->append("\\t"); break;
        case '\b': out->append("\\b"); break;
        case '\f': out->append("\\f"); break;
        default:
            if (c < 0x20) {
                out->append("\\u00");
                out->push_back(hex[c >> 4]);
                out->push_back(hex[c & 15]);
            } else {
                out->push_back((char)c);
            }
        }
        i++;
    }
    out->push_back('"');
}

void AppendTerminalText(std::string* out, const char* text, size_t length)
{
    const unsigned char* bytes = (const unsigned char*)text;
    size_t i = 0;
    while (i < length) {
        unsigned char c = bytes[i];
        size_t sequence = c >= 0x80 ? ValidSequenceLength(bytes + i, length - i) : 1;
        // C1 controls (U+0080..U+009F) are left out too: some terminals act on them.
        if (c >= 0x80 && sequence == 0) {
            if (c >= 0xA0) {
                out->push_back((char)(0xC0 | (c >> 6)));
                out->push_back((char)(0x80 | (c & 0x3F)));
            }
            sequence = 1;
        } else if (c == 0xC2 && bytes[i + 1] < 0xA0) {
            // a C1 control written as UTF-8
        } else if (c >= 0x80 || (c >= 0x20 && c != 0x7F)) {
            out->append(text + i, sequence);
        }
        i += sequence;
    }
}

void AppendJsonText(std::string* out, const char* text)
{
    size_t length = 0;
    while (text[length])
        length++;
    AppendJsonString(out, text, length);
}

void AppendJsonFloat(std::string* out, float value)
{
    if (!isfinite(value)) {
        out->append("null");
        return;
    }
    char text[48];
    for (int digits = 6; digits <= 9; digits++) {
        (void)FormatText(text, sizeof text, "%.*g", digits, (double)value);
        if (strtof(text, NULL) == value)
            break;
    }
    out->append(text);
}

void AppendJsonInteger(std::string* out, long long value)
{
    char text[24];
    (void)FormatText(text, sizeof text, "%lld", value);
    out->append(text);
}
