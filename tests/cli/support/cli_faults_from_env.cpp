// The fault seam of the test build of flickbox-cli: FLICKBOX_CLI_FAULT names
// one step of the safe write and the errno it fails with, e.g. "write:ENOSPC".
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include "cli/cli_faults.h"

bool InjectedFault(FaultPoint point, int* errorNumber)
{
    static const char* const pointNames[] = {"create", "write", "flush", "rename"};
    static const struct {
        const char* name;
        int value;
    } errors[] = {{"ENOSPC", ENOSPC}, {"EIO", EIO}, {"EACCES", EACCES}, {"EXDEV", EXDEV}, {"EROFS", EROFS}};
    const char* chosen = getenv("FLICKBOX_CLI_FAULT");
    if (!chosen)
        return false;
    const char* colon = strchr(chosen, ':');
    size_t length = colon ? (size_t)(colon - chosen) : strlen(chosen);
    if (strlen(pointNames[point]) != length || strncmp(chosen, pointNames[point], length) != 0)
        return false;
    *errorNumber = EIO;
    for (const auto& error : errors) {
        if (colon && strcmp(colon + 1, error.name) == 0)
            *errorNumber = error.value;
    }
    return true;
}
