// Runs a program and reports its whole 32-bit exit code, which Wine cuts to 8 bits on the
// Linux side:
//   ExitCode <program> [arguments...]
// A program name without a folder is taken from the launcher's own folder. The program writes
// to this console; the report follows as "exit code: <decimal> (0x<hex>)".
#include "Processes.h"
#include "StandIns.h"

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
    {
        fwprintf(stderr, L"usage: ExitCode <program> [arguments...]\n");
        return 2;
    }
    std::wstring program = argv[1];
    if (program.find_first_of(L"\\/:") == std::wstring::npos)
        program = ZrTest::ModuleDirectory() + L"\\" + program;

    std::wstring commandLine = L"\"" + program + L"\"";
    for (int i = 2; i < argc; ++i)
        commandLine += std::wstring(L" \"") + argv[i] + L"\"";

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!ZrTest::StartProcess(program, commandLine, TRUE, 0, nullptr, nullptr, startup, process))
    {
        fwprintf(stderr, L"cannot start %ls: error %lu\n", program.c_str(), GetLastError());
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    fflush(stdout);
    printf("exit code: %lu (0x%08lX)\n", static_cast<unsigned long>(exitCode),
           static_cast<unsigned long>(exitCode));
    return 0;
}
