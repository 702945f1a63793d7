#include "Processes.h"

#include "Checked.h"
#include <algorithm>
#include <cstdio>

namespace ZrTest
{

namespace
{

// The environment block of this process with `changes` applied, sorted as Windows expects.
std::vector<wchar_t> EnvironmentBlock(const CEnvironment& changes)
{
    std::vector<std::wstring> entries;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1)
        entries.push_back(entry);
    FreeEnvironmentStringsW(block);

    for (const auto& change : changes)
    {
        const std::wstring prefix = change.first + L"=";
        for (auto it = entries.begin(); it != entries.end();)
        {
            if (it->size() >= prefix.size() &&
                CompareStringOrdinal(it->c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                     static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL)
                it = entries.erase(it);
            else
                ++it;
        }
        if (!change.second.empty())
            entries.push_back(prefix + change.second);
    }

    std::vector<wchar_t> result;
    for (const std::wstring& entry : entries)
    {
        result.insert(result.end(), entry.begin(), entry.end());
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

} // namespace

DWORD HandleCount()
{
    // Wine's GetProcessHandleCount answers 0: count the handle values that name an object.
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0)
        return count;
    DWORD flags = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4)
    {
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    }
    return count;
}

BOOL StartProcess(const std::wstring& program, std::wstring commandLine, BOOL inheritHandles,
                  DWORD flags, void* environment, const wchar_t* directory, STARTUPINFOW& startup,
                  PROCESS_INFORMATION& process)
{
    for (int attempt = 1;; ++attempt)
    {
        if (CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, inheritHandles,
                           flags, environment, directory, &startup, &process))
            return TRUE;
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == 2)
            return FALSE;
        fwprintf(stderr, L"wine: %ls did not start (error %lu, attempt %d of 2)\n", program.c_str(),
                 static_cast<unsigned long>(error), attempt);
    }
}

CProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments,
                          const std::wstring& directory, const CEnvironment& environment)
{
    CProcessResult result = {0, 0, 0, std::string()};
    std::vector<wchar_t> block = EnvironmentBlock(environment);

    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    CHandle readEnd, writeEnd;
    Check(CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 0), "CreatePipe");
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    CHandle nul(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                            nullptr));

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul.Get();
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = nul.Get();

    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    PROCESS_INFORMATION process = {};
    if (!StartProcess(program, commandLine, TRUE, CREATE_UNICODE_ENVIRONMENT, block.data(),
                      directory.empty() ? nullptr : directory.c_str(), startup, process))
    {
        result.StartError = GetLastError();
        return result;
    }
    result.ProcessId = process.dwProcessId;
    CHandle processHandle(process.hProcess), threadHandle(process.hThread);
    writeEnd.Reset();
    nul.Reset();

    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(readEnd.Get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
        result.Output.append(chunk, read);
    WaitForSingleObject(processHandle.Get(), INFINITE);
    GetExitCodeProcess(processHandle.Get(), &result.ExitCode);
    return result;
}

CScopedEnvironment::CScopedEnvironment(const wchar_t* name, const std::wstring& value)
    : m_Name(name), m_bExisted(false)
{
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
    if (length > 0 && length < 32768)
    {
        m_bExisted = true;
        m_Saved.assign(buffer, length);
    }
    SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
}

CScopedEnvironment::~CScopedEnvironment()
{
    SetEnvironmentVariableW(m_Name.c_str(), m_bExisted ? m_Saved.c_str() : nullptr);
}

} // namespace ZrTest
