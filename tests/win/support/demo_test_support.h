#pragma once
// Helpers the demo shell tests share: a scratch folder with a main dialog
// naming a demo in it, sample and real demos, the faults a demo file can have
// and the boxes the operations show.

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/demo_corpus.h"
#include "tools/sample_demo.h"

// The flags of the operations' questions and notices.
const unsigned QUESTION = MB_OKCANCEL | MB_ICONQUESTION;
const unsigned NOTICE = MB_OK | MB_ICONINFORMATION;

// A fresh scratch folder and an idle main dialog whose path field names
// folder\fileName (not written yet).
struct DemoScene {
    std::string folder;
    std::string demo;
    HWND mainDialog;
};
DemoScene OpenDemoScene(const char* folderName, const char* fileName);
void CloseDemoScene(const DemoScene& scene);

void SetDemoPath(HWND mainDialog, const std::string& path);

// A sample demo with a resolution record of the given size.
SampleDemoSpec SpecOfSize(unsigned width, unsigned height);

// Size, last-write time and (up to 16 MiB) a hash of the content, for
// comparing a file before and after.
std::string DemoFileState(const std::string& path);

// A writable copy, at path, of a real demo of the corpus folder, by file name.
bool CopyRealDemo(const char* name, const std::string& path);

// A small 24-bit bitmap file of the given size, its folders made; false when
// not written.
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
    FAULT_NO_MEMORY,          // 3 GiB: no buffer of its size can be had (32-bit only)
    FAULT_4_GIB,              // more than a 32-bit size can hold
    FAULT_PATH_TOO_LONG       // its first 259 characters name the demo
};
HANDLE PrepareDemoFault(HWND mainDialog, const std::string& folder, DemoFault fault,
                        const std::vector<unsigned char>& demo, std::string* demoPath);
// False where a fault cannot be made: a 64-bit test build can allocate the
// 3 GiB that a 32-bit program cannot.
bool FaultCanBeMade(DemoFault fault);
void EndDemoFault(const std::string& folder, HANDLE holder);

struct DemoFailure {
    DemoFault fault;
    const char* message;
    unsigned long error;   // 0: a plain notice without system text
};

// The faults the converter and the stripper report alike; running out of
// memory each reports its own way.
std::vector<DemoFailure> RewriteFailures();

// Runs the operation on each fault in a fresh main dialog and expects the
// question, then the failure's box, and the file exactly as it was.
void ExpectDemoFailures(void (*operation)(HWND mainDialog), const char* question,
                        const std::vector<unsigned char>& demo,
                        const std::vector<DemoFailure>& failures, const char* folderName);

// The same for a read-only demo, where read-only files cannot be written
// (Wine run by root may write them: then the test is skipped).
void ExpectReadOnlyDemoUnchanged(void (*operation)(HWND mainDialog), const char* question,
                                 const std::vector<unsigned char>& demo, const char* folderName);

// Answers the operation's question with Cancel while the demo is held so
// that any open would fail, and expects only the question and the file as it
// was.
void ExpectCancelLeavesTheFileUnopened(void (*operation)(HWND mainDialog), const char* question,
                                       const std::vector<unsigned char>& demo,
                                       const char* folderName);

// Resets what the inspector writes in AppState, releasing any preview.
void ClearInspectionState();
