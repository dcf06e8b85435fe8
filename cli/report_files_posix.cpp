#include "cli/report_files.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

#include "shared/text.h"

void FileDateText(const char* path, char* dest, size_t size)
{
    struct stat info;
    struct tm local;
    time_t when;
    if (stat(path, &info) != 0 || (when = info.st_mtime, localtime_r(&when, &local) == NULL) ||
        strftime(dest, size, "%Y-%m-%d %H:%M", &local) == 0)
        (void)CopyText(dest, size, "");
}

bool IsFolder(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFolder(const char* path, char* problem, size_t problemSize)
{
    if (mkdir(path, 0777) == 0 || (errno == EEXIST && IsFolder(path)))
        return true;
    int error = errno == EEXIST ? ENOTDIR : errno;
    (void)FormatText(problem, problemSize, "Cannot make the folder %s: %s", path, strerror(error));
    return false;
}
