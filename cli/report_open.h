#pragma once
// Opens a written report in the default browser: ShellExecuteW on Windows
// (report_open_win.cpp). Elsewhere, and in the tests' build, a stand-in says
// what it would open (tests/cli/support/report_open_said.cpp).

#include <stddef.h>

bool OpenInBrowser(const char* path, char* problem, size_t problemSize);
