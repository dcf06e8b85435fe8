#include "ui/long_path_walk.h"

#include <string.h>

#include "shared/text.h"

static bool AppendPrefix(char* dest, size_t size, const char* text, size_t length)
{
    size_t used = strlen(dest);
    return CopyTextPrefix(dest + used, size - used, text, length);
}

// Appends one component after the backslash that precedes it in the short
// path (the first has none): a drive or an empty component as it stands,
// anything else as the lookup finds it stored.
static bool AppendComponent(const char* shortPath, size_t start, size_t end, char* dest,
                            size_t size, LongNameLookup lookup, void* context)
{
    if (start > 0 && !AppendText(dest, size, "\\"))
        return false;
    const char* component = shortPath + start;
    size_t length = end - start;
    if (length == 0 || memchr(component, ':', length))
        return AppendPrefix(dest, size, component, length);
    // The platform looks up no path longer than its limit; such a component
    // stays as given.
    char prefix[PATH_BUFFER_SIZE];
    char longName[PATH_BUFFER_SIZE];
    if (CopyTextPrefix(prefix, sizeof prefix, shortPath, end) && !strpbrk(prefix, "*?") &&
        lookup(prefix, longName, sizeof longName, context))
        return AppendText(dest, size, longName);
    return AppendPrefix(dest, size, component, length);
}

bool WalkLongPath(char* dest, size_t size, const char* shortPath, LongNameLookup lookup,
                  void* context)
{
    if (size == 0)
        return false;
    dest[0] = '\0';
    size_t length = strlen(shortPath);
    size_t cursor = 0;
    while (cursor < length) {
        const char* backslash = strchr(shortPath + cursor, '\\');
        size_t end = backslash ? (size_t)(backslash - shortPath) : length;
        if (!AppendComponent(shortPath, cursor, end, dest, size, lookup, context)) {
            dest[0] = '\0';
            return false;
        }
        cursor = backslash ? end + 1 : end;
    }
    return true;
}
