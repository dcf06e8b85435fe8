// Stands in for hl.exe or cstrike.exe in the tests' temporary game trees.
// Started, it writes standin_report.txt beside itself with what a real game
// would see (its command line, current directory, video mode, staged demo and
// live engine files), then exits. Flag files beside it change that:
//   standin_wait.flag    wait after the report until standin_release.flag exists
//   standin_fail.flag    exit with code 3
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "tests/support/test_files.h"
#include "tests/support/test_registry.h"

static std::string folder;

static bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// What tells a game file from a pack file: the text after the file's last NUL
// (the tests append "\0game hl.exe" or "\0pack hl.exe" to executables and
// write small text files for the rest).
static std::string FileTag(const std::string& path)
{
    std::string bytes;
    if (!ReadWholeFile(path, &bytes))
        return "none";
    size_t nul = bytes.rfind('\0');
    std::string tag = nul == std::string::npos ? bytes : bytes.substr(nul + 1);
    return tag.size() > 100 ? tag.substr(tag.size() - 100) : tag;
}

static std::string ModFromCommandLine(const std::string& line)
{
    size_t at = line.find(" -game ");
    if (at == std::string::npos)
        return "";
    at += 7;
    size_t end = line.find(' ', at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

int main()
{
    char self[MAX_PATH] = "";
    GetModuleFileNameA(NULL, self, sizeof self);
    std::string selfPath = self;
    size_t slash = selfPath.rfind('\\');
    folder = selfPath.substr(0, slash);
    std::string name = selfPath.substr(slash + 1);
    for (char& c : name)
        c = (char)tolower((unsigned char)c);
    bool counterStrike = name == "cstrike.exe";

    std::string line = GetCommandLineA();
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    const char* key = counterStrike ? "Software\\Valve\\CounterStrike\\Settings"
                                    : "Software\\Valve\\Half-Life\\Settings";
    std::string mod = ModFromCommandLine(line);

    std::string report;
    report += "commandline=" + line + "\n";
    report += "cwd=" + std::string(cwd) + "\n";
    report += "EngineModeW=" + RegistryNumberText(key, "EngineModeW") + "\n";
    report += "EngineModeH=" + RegistryNumberText(key, "EngineModeH") + "\n";
    report += "mod=" + mod + "\n";
    report += "demo=" + (mod.empty() ? std::string("none") : FileFingerprint(folder + "\\" + mod + "\\flickbox.dem")) + "\n";

    std::vector<std::string> files;
    if (counterStrike)
        files = {"cstrike.dat", "cstrike.exe", "hw.dll", "sw.dll", "valve\\cl_dlls\\client.dll"};
    else
        files = {"hl.dat", "hl.exe", "hw.dll", "sw.dll", "valve\\cl_dlls\\client.dll",
                 "valve\\dlls\\hl.dll"};
    if (!mod.empty()) {
        files.push_back(mod + "\\cl_dlls\\client.dll");
        files.push_back(mod + "\\dlls\\mp.dll");
    }
    for (const std::string& file : files)
        report += "file " + file + "=" + FileTag(folder + "\\" + file) + "\n";

    // Written under another name first, so a test that polls never reads half.
    std::string partial = folder + "\\standin_report.tmp";
    std::string final = folder + "\\standin_report.txt";
    FILE* out = fopen(partial.c_str(), "wb");
    if (!out)
        return 2;
    fwrite(report.data(), 1, report.size(), out);
    fclose(out);
    MoveFileExA(partial.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING);

    if (Exists(folder + "\\standin_wait.flag")) {
        for (int i = 0; i < 3000 && !Exists(folder + "\\standin_release.flag"); i++)
            Sleep(20);
    }
    if (Exists(folder + "\\standin_fail.flag"))
        return 3;
    return 0;
}
