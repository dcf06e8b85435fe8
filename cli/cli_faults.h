#pragma once
// A seam in the safe write for the tests: each step asks whether it should
// fail. The program links cli_no_faults.cpp (never); a test build links a
// version that fails the step named in its environment.

enum FaultPoint {
    FAULT_CREATE,                // creating the temporary file
    FAULT_WRITE,
    FAULT_FLUSH,
    FAULT_RENAME                 // putting the temporary file in place
};

// True when the step is to fail; *errorNumber is then the errno to report.
bool InjectedFault(FaultPoint point, int* errorNumber);
