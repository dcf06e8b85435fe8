// cli_hold_file.exe FILE PROGRAM [ARGS...]: holds FILE open with no sharing,
// as another program may, while PROGRAM (a name beside this helper) runs with
// the arguments; exits with its exit code, 100 when it could not be started.
#include <windows.h>

#include <string>

static std::wstring Quoted(const wchar_t* arg)
{
    std::wstring text = L"\"";
    for (const wchar_t* at = arg; *at; at++) {
        if (*at == L'"')
            text += L'\\';
        text += *at;
    }
    return text + L"\"";
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3)
        return 100;
    HANDLE held = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (held == INVALID_HANDLE_VALUE)
        return 100;
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 100;
    std::wstring program = self;
    program = program.substr(0, program.find_last_of(L"\\/") + 1) + argv[2];
    std::wstring line = Quoted(program.c_str());
    for (int i = 3; i < argc; i++)
        line += L" " + Quoted(argv[i]);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessW(program.c_str(), &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 100;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 100;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(held);
    return (int)code;
}
