// Child processes with their full exit code and output, the environment they get, and the
// handles of this one.
#pragma once

#include "ZrBase.h"

#include <string>
#include <utility>
#include <vector>

namespace ZrTest
{

struct CProcessResult
{
    DWORD StartError; // 0 when the program ran
    DWORD ProcessId;
    DWORD ExitCode;     // all 32 bits
    std::string Output; // standard output, byte for byte
};

typedef std::vector<std::pair<std::wstring, std::wstring>> CEnvironment;

// CreateProcessW, but a start that Wine failed with ERROR_INTERNAL_ERROR, which it answers
// when the child died before running any code of its own, is made once more and said on
// standard error. Any other failure returns FALSE with the last error set.
BOOL StartProcess(const std::wstring& program, std::wstring commandLine, BOOL inheritHandles,
                  DWORD flags, void* environment, const wchar_t* directory, STARTUPINFOW& startup,
                  PROCESS_INFORMATION& process);

// Runs `program` with `arguments` in `directory`, the environment of this process changed by
// `environment` (an empty value removes a variable), and waits for it.
CProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments,
                          const std::wstring& directory, const CEnvironment& environment);

// Sets an environment variable of this process for a scope.
class CScopedEnvironment
{
public:
    CScopedEnvironment(const wchar_t* name, const std::wstring& value);
    ~CScopedEnvironment();
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    std::wstring m_Name;
    std::wstring m_Saved;
    bool m_bExisted;
};

// Open handles of the process (registry keys included).
DWORD HandleCount();

} // namespace ZrTest
