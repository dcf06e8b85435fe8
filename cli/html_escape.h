#pragma once
// The one way text from a demo (names, chat, server and map names, paths)
// enters a report's markup. Pure.

#include <stddef.h>

#include <string>

// Appends the text as HTML character data, also safe inside a quoted
// attribute: & < > " ' become references; valid UTF-8 passes through, a byte
// of an invalid sequence becomes its Latin-1 character, and control
// characters (chat colour marks, escapes) are left out.
void AppendHtmlText(std::string* out, const char* text);

// Appends a path for an href: every byte but letters, digits, "-._~" and the
// separators "/" and "\" (written "/") is percent-encoded, and a Windows
// drive ("C:") starts a file URL; the result goes through AppendHtmlText.
void AppendHrefPath(std::string* out, const char* path);
