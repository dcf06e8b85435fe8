#include "cli/html_escape.h"

#include <string.h>

#include "cli/cli_json.h"

void AppendHtmlText(std::string* out, const char* text)
{
    // The terminal form already settles the bytes: UTF-8 only, no controls.
    std::string clean;
    AppendTerminalText(&clean, text, strlen(text));
    for (char c : clean) {
        switch (c) {
        case '&': out->append("&amp;"); break;
        case '<': out->append("&lt;"); break;
        case '>': out->append("&gt;"); break;
        case '"': out->append("&quot;"); break;
        case '\'': out->append("&#39;"); break;
        default: out->push_back(c);
        }
    }
}

void AppendHrefPath(std::string* out, const char* path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    const unsigned char* at = (const unsigned char*)path;
    if (((at[0] | 0x20) >= 'a' && (at[0] | 0x20) <= 'z') && at[1] == ':') {
        // A Windows drive: an absolute file URL, its colon kept.
        encoded = "file:///";
        encoded.push_back((char)at[0]);
        encoded.push_back(':');
        at += 2;
    }
    for (; *at; at++) {
        unsigned char c = *at;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~' || c == '/') {
            encoded.push_back((char)c);
        } else if (c == '\\') {
            encoded.push_back('/');
        } else {
            encoded.push_back('%');
            encoded.push_back(hex[c >> 4]);
            encoded.push_back(hex[c & 15]);
        }
    }
    AppendHtmlText(out, encoded.c_str());
}
