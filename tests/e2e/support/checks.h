#pragma once
// Test steps that check what the user sees as they go: starting and closing
// the program, answering its boxes, fields, files and the summary text.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/support/driver.h"

// Starts exe with the argument (NULL: none) and waits for its main dialog.
testing::AssertionResult LaunchFlickbox(const std::string& exe, const char* argument, FlickboxRun* run);

// Waits for the run's next message box, checks its caption and text and
// answers it with the button.
void ExpectMessageBox(const FlickboxRun& run, const char* caption, const std::string& text, int answer = IDOK);

// Closes the main dialog, expecting the program to end, and releases the run;
// the exit code, or 99 when it did not end.
DWORD CloseAndEnd(FlickboxRun* run);

// A test with one run of the program. When the test leaves it running, the
// test's end closes it, expecting it to end, or after a failure ends it.
struct E2eRunTest : testing::Test {
    FlickboxRun run = {};
    std::string folder;   // the test's scratch folder, once installed
    std::string exe;      // the copy of flickbox.exe in it
    // Makes the scratch folder named after the tag and copies flickbox.exe in.
    void Install(const char* tag);
    ~E2eRunTest() override;
};

// The field comes to hold the expected text within the time-out.
testing::AssertionResult FieldBecomes(HWND window, int id, const std::string& expected);

// The file can be read and holds exactly the bytes.
testing::AssertionResult FileHolds(const std::string& path, const std::vector<unsigned char>& expected);

// The window lies centred on the full-screen work area.
void ExpectCentred(HWND window);

// The main dialog's demo summary as it reads for a cstrike demo.
std::string DemoSummary(const char* gameVersion, const char* networkVersion, const char* map, const char* currentRes,
                        const char* demoRes);
