#pragma once
// What every report page shares: the fixed start that marks a file as one of
// ours, the Content-Security-Policy naming the inline style and script by
// their SHA-256, the style, and the script that sorts tables and picks the
// plot's round. Pure.

#include <stddef.h>

#include <string>

// Appends everything up to and including <body>, with the title (escaped).
void AppendReportStart(std::string* out, const char* title);

// Appends the script and closes the page.
void AppendReportEnd(std::string* out);

// True when the bytes start as every report this program writes does, so the
// file may be replaced by a new report.
bool IsOwnReport(const unsigned char* bytes, size_t size);
