#include "ui/ui_text.h"

#include <string.h>

#include "shared/text.h"

bool ComposeOpenCommand(char* dest, size_t size, const char* exePath)
{
    return FormatText(dest, size, "%s %%1", exePath);
}

bool ComposeDefaultIcon(char* dest, size_t size, const char* exePath)
{
    return FormatText(dest, size, "%s,0", exePath);
}

bool IsCurrentFolderEntry(const char* name)
{
    return strcmp(name, ".") == 0;
}

bool IsListedDemoName(const char* name)
{
    return ContainsText(name, ".dem");
}

bool FormatFolderEntry(char* dest, size_t size, const char* name)
{
    return FormatText(dest, size, "[%s]", name);
}

bool ComposeFolderSearch(char* pattern, size_t patternSize, char* shown, size_t shownSize,
                         const char* folder)
{
    return FormatText(pattern, patternSize, "%s\\*", folder) &&
           FormatText(shown, shownSize, "%s\\", folder);
}

bool JoinBrowserPath(char* dest, size_t size, const char* folderText, const char* entry)
{
    return FormatText(dest, size, "%s%s", folderText, entry);
}

bool BrowserFolderTarget(char* dest, size_t size, const char* folderText, const char* entry)
{
    if (!CopyText(dest, size, folderText))
        return false;
    // The first and last characters are the brackets; an entry too short to
    // hold both adds nothing.
    size_t length = strlen(entry);
    const char* name = length >= 2 ? entry + 1 : "";
    size_t nameLength = length >= 2 ? length - 2 : 0;
    size_t used = strlen(dest);
    if (!CopyTextPrefix(dest + used, size - used, name, nameLength))
        return false;
    if (nameLength == 2 && memcmp(name, "..", 2) == 0) {
        CutAtLastBackslash(dest);
        CutAtLastBackslash(dest);
    }
    return true;
}
