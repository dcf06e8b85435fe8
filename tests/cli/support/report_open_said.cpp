// The tests' stand-in for opening a report in the browser: it says which file
// it would open, on standard output, and opens nothing.
#include <stdio.h>

#include "cli/report_open.h"

bool OpenInBrowser(const char* path, char*, size_t)
{
    printf("would open %s\n", path);
    return true;
}
