#pragma once
// Helpers the demo shell tests share: a main dialog to work in, a scratch
// folder, whole-file reads and writes, and the expected error boxes.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/win/support/recorded_messages.h"

// Dialog 101 with a procedure that does nothing, so its fields can be set and
// read; its caption "Flickbox" lets FindWindowA find it.
HWND CreateDemoMainDialog();
void SetDemoPath(HWND mainDialog, const std::string& path);

// A fresh empty folder under the temporary folder, and its removal with all
// it holds (read-only files included).
std::string MakeDemoFolder(const char* name);
void RemoveDemoFolder(const std::string& folder);

bool WriteDemoBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> ReadDemoBytes(const std::string& path);
// Size, last-write time and (up to 16 MiB) a hash of the content, for
// comparing a file before and after.
std::string DemoFileState(const std::string& path);

// A real demo from the shared demo folder, by file name.
std::string RealDemoPath(const char* name);

// The text ReportSystemError shows for the message and the error code.
std::string ErrorBoxText(const char* message, unsigned long error);

// The items of a list box, in list order.
std::vector<std::string> DemoListItems(HWND mainDialog, int id);

// A small 24-bit bitmap file of the given size; false when not written.
bool WriteSmallBitmap(const std::string& path, int width, int height);

// Ways a demo file can fail to be read or written back. The demo bytes go to
// *demoPath (folder\fault.dem for most), the main dialog's path field names
// what the fault gives, and the returned handle (or NULL) holds the file until
// EndDemoFault.
enum DemoFault {
    FAULT_MISSING_FILE,
    FAULT_EMPTY_PATH,
    FAULT_EMPTY_FILE,
    FAULT_HELD_FOR_WRITING,   // another handle may write it
    FAULT_READ_ONLY,
    FAULT_DIRECTORY,
    FAULT_NO_MEMORY,          // 3 GiB: no buffer of its size can be had
    FAULT_4_GIB,              // more than a 32-bit size can hold
    FAULT_PATH_TOO_LONG       // its first 259 characters name the demo
};
HANDLE PrepareDemoFault(HWND mainDialog, const std::string& folder, DemoFault fault,
                        const std::vector<unsigned char>& demo, std::string* demoPath);
void EndDemoFault(const std::string& folder, HANDLE holder);
std::string DemoFaultPath(const std::string& folder);

// False where the read-only attribute does not keep this process from
// writing (Wine run by root: the attribute is only the Unix mode).
bool ReadOnlyIsEnforced(const std::string& folder);

// Expects the box's text, caption and flags.
void ExpectDemoBox(const RecordedBox& box, const std::string& text, const char* caption,
                   unsigned flags);

struct DemoFailure {
    DemoFault fault;
    const char* message;
    unsigned long error;   // 0: a plain notice without system text
};

// Runs the operation on each fault in a fresh main dialog and expects the
// question, then the failure's box, and the file exactly as it was.
void ExpectDemoFailures(void (*operation)(HWND mainDialog), const char* question,
                        const std::vector<unsigned char>& demo,
                        const std::vector<DemoFailure>& failures, const char* folderName);

// Resets what the inspector writes in AppState, releasing any preview.
void ClearInspectionState();
