// The fault seam of the test build of flickbox-cli, natively and as
// flickbox-cli-faults.exe. FLICKBOX_CLI_FAULT names one step of the safe
// write and the error it fails with, e.g. "write:ENOSPC" (the nearest
// Windows error there). FLICKBOX_CLI_PAUSE="STEP:NAME:READY" waits at the
// step while writing a file whose path ends in NAME: it creates the file
// READY, then waits until the run is interrupted (30 s at most).
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

#include "cli/cli_faults.h"
#include "cli/cli_files.h"

// The rest of setting after "STEP:" when it names the point, else NULL.
static const char* AfterStep(const char* setting, FaultPoint point)
{
    static const char* const pointNames[] = {"create", "write", "flush", "rename"};
    size_t length = strlen(pointNames[point]);
    if (!setting || strncmp(setting, pointNames[point], length) != 0)
        return NULL;
    if (setting[length] == '\0' || setting[length] == ':')
        return setting + length + (setting[length] == ':');
    return NULL;
}

bool InjectedFault(FaultPoint point, int* error)
{
    static const struct {
        const char* name;
        int value;
    } errors[] = {
#ifdef _WIN32
        {"ENOSPC", ERROR_DISK_FULL}, {"EIO", ERROR_IO_DEVICE}, {"EACCES", ERROR_ACCESS_DENIED},
        {"EXDEV", ERROR_NOT_SAME_DEVICE}, {"EROFS", ERROR_WRITE_PROTECT}};
#else
        {"ENOSPC", ENOSPC}, {"EIO", EIO}, {"EACCES", EACCES}, {"EXDEV", EXDEV}, {"EROFS", EROFS}};
#endif
    const char* chosen = AfterStep(getenv("FLICKBOX_CLI_FAULT"), point);
    if (!chosen)
        return false;
    *error = errors[1].value;
    for (const auto& known : errors) {
        if (strcmp(chosen, known.name) == 0)
            *error = known.value;
    }
    return true;
}

void InjectedPause(FaultPoint point, const char* path)
{
    const char* chosen = AfterStep(getenv("FLICKBOX_CLI_PAUSE"), point);
    const char* colon = chosen ? strchr(chosen, ':') : NULL;
    if (!colon)
        return;
    std::string name(chosen, (size_t)(colon - chosen));
    size_t length = strlen(path);
    if (length < name.size() || name != path + length - name.size())
        return;
    if (FILE* ready = fopen(colon + 1, "w"))
        fclose(ready);
    for (int wait = 0; wait < 3000 && !InterruptRequested(); wait++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}
