#include "StandIns.h"

#include "Checked.h"

namespace ZrTest
{

std::wstring ModuleDirectory()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    Check(length > 0 && length < MAX_PATH, "GetModuleFileNameW");
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L'\\'));
}

std::wstring BuildDirectory()
{
    const std::wstring tests = ModuleDirectory();
    return tests.substr(0, tests.find_last_of(L'\\'));
}

std::wstring StandInRoot()
{
    return BuildDirectory() + L"\\standin";
}

std::wstring StandInDirectory(const wchar_t* variant)
{
    return StandInRoot() + L"\\" + variant;
}

CScopedStandIn::CScopedStandIn(const wchar_t* variant)
{
    SetDllDirectoryW(StandInDirectory(variant).c_str());
}

CScopedStandIn::~CScopedStandIn()
{
    SetDllDirectoryW(nullptr);
}

bool ServiceLibraryLoaded()
{
    return GetModuleHandleW(L"ZrSrvApi.dll") != nullptr;
}

std::vector<std::string> TraceCalls(const std::vector<std::string>& trace)
{
    std::vector<std::string> calls;
    for (const std::string& line : trace)
        calls.push_back(line.substr(0, line.find(' ')));
    return calls;
}

std::string TraceField(const std::string& line, const std::string& key)
{
    const std::string start = " " + key + "=";
    size_t at = line.find(start);
    if (at == std::string::npos)
        return "(missing)";
    at += start.size();
    return line.substr(at, line.find(' ', at) - at);
}

} // namespace ZrTest
