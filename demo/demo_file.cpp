#include "demo/demo_file.h"

#include <stdlib.h>

#include "app/dialog_field.h"
#include "app/resource.h"
#include "shared/messages.h"

void TakeDemoPath(HWND mainDialog, DemoFile* file)
{
    file->handle = INVALID_HANDLE_VALUE;
    file->bytes = NULL;
    file->size = 0;
    file->pathFits = ReadWholeField(file->path, sizeof file->path, mainDialog, IDC_MAIN_DEMO_PATH);
}

DemoFileStep ReadDemoFile(DemoFile* file, DemoFileAccess access)
{
    if (!file->pathFits) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return DEMO_FILE_NOT_OPENED;
    }
    DWORD rights = access == DEMO_FILE_READ_WRITE ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    file->handle = CreateFileA(file->path, rights, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (file->handle == INVALID_HANDLE_VALUE)
        return DEMO_FILE_NOT_OPENED;

    DWORD high = 0;
    // A size of 4 GiB - 1 reads as INVALID_FILE_SIZE too; only the error tells.
    SetLastError(NO_ERROR);
    DWORD size = GetFileSize(file->handle, &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return DEMO_FILE_NO_SIZE;
    // 4 GiB or more does not fit a 32-bit count; never read it as a smaller file.
    if (high != 0) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return DEMO_FILE_NO_SIZE;
    }
    if (size == 0) {
        SetLastError(ERROR_HANDLE_EOF);
        return DEMO_FILE_NO_SIZE;
    }

    file->bytes = (unsigned char*)malloc(size);
    if (!file->bytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return DEMO_FILE_NOT_READ;
    }
    file->size = size;
    DWORD read = 0;
    if (SetFilePointer(file->handle, 0, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !ReadFile(file->handle, file->bytes, size, &read, NULL))
        return DEMO_FILE_NOT_READ;
    if (read != size) {
        SetLastError(ERROR_HANDLE_EOF);
        return DEMO_FILE_NOT_READ;
    }
    return DEMO_FILE_READ;
}

bool WriteDemoFile(DemoFile* file)
{
    DWORD written = 0;
    if (SetFilePointer(file->handle, 0, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
        !WriteFile(file->handle, file->bytes, file->size, &written, NULL))
        return false;
    if (written != file->size) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}

bool ReadDemoForChange(DemoFile* file, ReadFailureBox readFailure)
{
    switch (ReadDemoFile(file, DEMO_FILE_READ_WRITE)) {
    case DEMO_FILE_READ:
        return true;
    case DEMO_FILE_NOT_OPENED:
        ReportSystemError("Could not open demo-file");
        break;
    case DEMO_FILE_NO_SIZE:
        ReportSystemError("Could not open demo-file (reason 2)");
        break;
    case DEMO_FILE_NOT_READ:
        if (readFailure == READ_FAILURE_AS_NOTICE)
            ShowNotice("Could not read file to memory");
        else
            ReportSystemError("Could not read file to memory");
        break;
    }
    return false;
}

bool WriteDemoBack(DemoFile* file)
{
    if (WriteDemoFile(file))
        return true;
    ReportSystemError("Could not write content to file");
    return false;
}

void CloseDemoFile(DemoFile* file)
{
    if (file->handle != INVALID_HANDLE_VALUE) {
        CloseHandle(file->handle);
        file->handle = INVALID_HANDLE_VALUE;
    }
    free(file->bytes);
    file->bytes = NULL;
    file->size = 0;
}
