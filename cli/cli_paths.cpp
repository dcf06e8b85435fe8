#include "cli/cli_paths.h"

#include <string.h>

bool HasDemoEnding(const char* name)
{
    size_t length = strlen(name);
    if (length <= 4)
        return false;
    const char* ending = name + length - 4;
    return ending[0] == '.' && (ending[1] | 0x20) == 'd' && (ending[2] | 0x20) == 'e' &&
           (ending[3] | 0x20) == 'm';
}

static std::string WithEnding(const char* path, const char* ending)
{
    std::string name = path;
    if (HasDemoEnding(path))
        name.resize(name.size() - 4);
    return name + ending;
}

std::string RepairedPath(const char* path)
{
    return WithEnding(path, ".repaired.dem");
}

std::string CutPath(const char* path)
{
    return WithEnding(path, ".cut.dem");
}
