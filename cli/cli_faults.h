#pragma once
// A seam in the safe write for the tests: each step asks whether it should
// fail, or wait. The program links cli_no_faults.cpp (never); a test build
// links a version that acts on the step named in its environment.

enum FaultPoint {
    FAULT_CREATE,                // creating the temporary file
    FAULT_WRITE,
    FAULT_FLUSH,
    FAULT_RENAME                 // putting the temporary file in place
};

// True when the step is to fail; *error is then the system's error number
// (errno, or GetLastError() on Windows) to report.
bool InjectedFault(FaultPoint point, int* error);

// Called before the step while writing the file at path: a test build may
// wait here until the run is interrupted.
void InjectedPause(FaultPoint point, const char* path);
