#include "tests/cli/support/cli_run.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace fs = std::filesystem;

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

static std::string OutputPath()
{
    return fs::temp_directory_path() / ("cli-out-" + std::to_string(getpid()));
}

int StartProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                 const std::vector<std::string>& env)
{
    std::string outPath = OutputPath();
    std::string errPath = outPath + ".err";
    pid_t child = fork();
    if (child == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int in = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0 || chdir(folder.c_str()) != 0)
            _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        for (const std::string& entry : env)
            putenv(strdup(entry.c_str()));
        std::vector<char*> argv;
        argv.push_back((char*)program.c_str());
        for (const std::string& arg : args)
            argv.push_back((char*)arg.c_str());
        argv.push_back(NULL);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return (int)child;
}

CliRun FinishProgram(int child)
{
    std::string outPath = OutputPath();
    std::string errPath = outPath + ".err";
    int status = 0;
    waitpid((pid_t)child, &status, 0);
    CliRun run;
    run.out = ReadText(outPath);
    run.err = ReadText(errPath);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    unlink(outPath.c_str());
    unlink(errPath.c_str());
    return run;
}

CliRun RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& folder,
                  const std::vector<std::string>& env)
{
    return FinishProgram(StartProgram(program, args, folder, env));
}

CliRun RunCli(const std::vector<std::string>& args, const std::string& folder)
{
    return RunProgram(FLICKBOX_CLI_PATH, args, folder);
}

CliRun RunCliWithFault(const char* fault, const std::vector<std::string>& args, const std::string& folder)
{
    return RunProgram(FLICKBOX_CLI_FAULTS_PATH, args, folder, {std::string("FLICKBOX_CLI_FAULT=") + fault});
}

CliRun RunCliUnderWine(const std::vector<std::string>& args, const std::string& folder, bool throughHoldFile)
{
    std::string bin = FLICKBOX_WIN_BIN;
    std::vector<std::string> command;
    if (throughHoldFile) {
        command = {bin + "/cli_hold_file.exe", args[0], "flickbox-cli.exe"};
        command.insert(command.end(), args.begin() + 1, args.end());
    } else {
        command = {bin + "/flickbox-cli.exe"};
        command.insert(command.end(), args.begin(), args.end());
    }
    return RunProgram(FLICKBOX_WINE_RUN, command, folder);
}

CliRun RunCliWithFaultUnderWine(const char* fault, const std::vector<std::string>& args, const std::string& folder)
{
    std::vector<std::string> command = {std::string(FLICKBOX_WIN_BIN) + "/flickbox-cli-faults.exe"};
    command.insert(command.end(), args.begin(), args.end());
    return RunProgram(FLICKBOX_WINE_RUN, command, folder, {std::string("FLICKBOX_CLI_FAULT=") + fault});
}

std::string MakeScratchFolder()
{
    std::string pattern = (fs::temp_directory_path() / "flickbox-cli-test-XXXXXX").string();
    char* made = mkdtemp(&pattern[0]);
    return made ? std::string(made) : std::string();
}

void RemoveScratchFolder(const std::string& folder)
{
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

bool WaitUntil(const std::function<bool()>& ready)
{
    for (int wait = 0; wait < 6000 && !ready(); wait++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ready();
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

std::vector<std::string> FolderNames(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
