#include "ui/browser_paths.h"

#include <string.h>

#include "shared/text.h"

bool IsCurrentFolderEntry(const char* name)
{
    return strcmp(name, ".") == 0;
}

bool IsListedDemoName(const char* name)
{
    return ContainsText(name, ".dem");
}

bool FormatFolderEntry(const char* name, char* dest, size_t size)
{
    return FormatText(dest, size, "[%s]", name);
}

bool ComposeFolderSearch(const char* folder, char* pattern, size_t patternSize, char* shown,
                         size_t shownSize)
{
    return FormatText(pattern, patternSize, "%s\\*", folder) &&
           FormatText(shown, shownSize, "%s\\", folder);
}

bool JoinBrowserPath(const char* folderText, const char* entry, char* dest, size_t size)
{
    return FormatText(dest, size, "%s%s", folderText, entry);
}

bool BrowserFolderTarget(const char* folderText, const char* entry, char* dest, size_t size)
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
