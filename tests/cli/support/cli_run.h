#pragma once
// Runs the real flickbox-cli (or its fault-seam build, or flickbox-cli.exe
// under Wine) in a folder and keeps what it printed, and builds the scratch
// folders of demos the end-to-end tests work on.

#include <functional>
#include <string>
#include <vector>

struct CliRun {
    std::string out;
    std::string err;
    int status;                  // exit status; -1 when it did not exit normally
};

// Runs program with the arguments in folder; "NAME=VALUE" entries of env are
// added to the environment.
CliRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                  const std::vector<std::string>& env = {});

// The same in two halves, one run at a time: StartProgram returns the running
// program's process id, FinishProgram waits for it to end.
int StartProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                 const std::vector<std::string>& env = {});
CliRun FinishProgram(int child);

// The native flickbox-cli and its build with the fault seam.
CliRun RunCli(const std::vector<std::string>& args, const std::string& folder);
CliRun RunCliWithFault(const char* fault, const std::vector<std::string>& args, const std::string& folder);

// flickbox-cli.exe under scripts/wine-run; the arguments may hold UTF-8.
// Through the hold-file helper, the first argument names a file the helper
// holds open, without sharing, while flickbox-cli.exe runs with the rest.
CliRun RunCliUnderWine(const std::vector<std::string>& args, const std::string& folder,
                       bool throughHoldFile = false);

// flickbox-cli-faults.exe under Wine, as RunCliWithFault runs the native one.
CliRun RunCliWithFaultUnderWine(const char* fault, const std::vector<std::string>& args, const std::string& folder);

// A new empty folder under the system's temporary folder, removed by
// RemoveScratchFolder.
std::string MakeScratchFolder();
void RemoveScratchFolder(const std::string& folder);

// Asks ready every hundredth of a second, for a minute at most.
bool WaitUntil(const std::function<bool()>& ready);

std::string ReadText(const std::string& path);
std::vector<unsigned char> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// The names in a folder, sorted: to see that no temporary file stayed.
std::vector<std::string> FolderNames(const std::string& folder);
