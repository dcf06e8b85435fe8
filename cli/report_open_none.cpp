#include "cli/report_open.h"

#include "shared/text.h"

// Only the Windows program opens reports (for demos dropped on it).
bool OpenInBrowser(const char* path, char* problem, size_t problemSize)
{
    (void)FormatText(problem, problemSize, "Open %s in a browser", path);
    return false;
}
