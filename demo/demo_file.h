#pragma once
// The one way demo files are read and changed: the whole file in one buffer of
// exactly its size, written back over itself at offset 0. There is no
// temporary file and no undo.

#include <windows.h>

#include "shared/text.h"

struct DemoFile {
    char path[PATH_BUFFER_SIZE];
    bool pathFits;               // false: the field held more than 259 characters
    HANDLE handle;
    unsigned char* bytes;
    DWORD size;
};

enum DemoFileAccess {
    DEMO_FILE_READ_ONLY,         // others may read, not write
    DEMO_FILE_READ_WRITE         // the same sharing, and we may write back
};

enum DemoFileStep {
    DEMO_FILE_READ,              // bytes hold the whole file
    DEMO_FILE_NOT_OPENED,
    DEMO_FILE_NO_SIZE,           // empty, or its size could not be had
    DEMO_FILE_NOT_READ           // no buffer, or a short read
};

// Takes the demo path from the main window's path field and leaves the file
// closed with no buffer, so CloseDemoFile may always follow.
void TakeDemoPath(HWND mainDialog, DemoFile* file);

// Opens the file named by TakeDemoPath and reads it whole. On failure the last
// error describes it, ready for ReportSystemError; whatever was acquired stays
// held until CloseDemoFile.
DemoFileStep ReadDemoFile(DemoFile* file, DemoFileAccess access);

// Writes the whole buffer back at offset 0; false when fewer bytes were
// written (the last error says why).
bool WriteDemoFile(DemoFile* file);

// How a change in place reports a buffer it could not have or fill: the
// converter shows a plain notice, the stripper the system's text.
enum ReadFailureBox {
    READ_FAILURE_WITH_SYSTEM_TEXT,
    READ_FAILURE_AS_NOTICE
};

// Reads the demo whole for a change in place; a failure is reported with the
// converter's and the stripper's texts and gives false.
bool ReadDemoForChange(DemoFile* file, ReadFailureBox readFailure);

// Writes the changed demo back; a short write is reported and gives false.
bool WriteDemoBack(DemoFile* file);

// Closes the file and releases the buffer, whatever was acquired.
void CloseDemoFile(DemoFile* file);
