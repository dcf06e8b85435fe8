#pragma once
// JSON text for the --json output. Pure.

#include <stddef.h>

#include <string>

// Appends the bytes as a quoted JSON string. Valid UTF-8 passes through; each
// byte of an invalid sequence becomes the Latin-1 character of that byte.
void AppendJsonString(std::string* out, const char* bytes, size_t length);

// The same for a NUL-terminated text.
void AppendJsonText(std::string* out, const char* text);

// Appends the shortest decimal that reads back as the same float; null for
// infinities and NaN, which JSON cannot hold.
void AppendJsonFloat(std::string* out, float value);

// Appends a decimal integer.
void AppendJsonInteger(std::string* out, long long value);

// Appends the bytes as plain text for a terminal: UTF-8 as above, with control
// characters (chat colour marks, escape sequences) left out.
void AppendTerminalText(std::string* out, const char* bytes, size_t length);
