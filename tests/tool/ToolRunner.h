// Runs the real GetSessionLevel.exe in a folder of its own, beside a stand-in service library.
#pragma once

#include "Files.h"
#include "Processes.h"
#include "StandIns.h"

#include <string>
#include <vector>

namespace ZrTest
{

struct CToolRun
{
    DWORD ExitCode;
    std::string Output;
    DWORD ProcessId;
    std::vector<std::string> Trace; // one line per service call
};

// A folder with the tool under `exeName`, the message library and the stand-in `variant` of
// ZrSrvApi.dll (none when null).
class CToolFolder
{
public:
    explicit CToolFolder(const wchar_t* variant, const wchar_t* exeName = L"GetSessionLevel.exe");

    // Runs the tool once with the stand-in's settings, in `directory` (its own folder when
    // empty); the trace is of this run alone.
    CToolRun Run(const CEnvironment& settings, const std::wstring& directory = L"") const;
    // Puts `source` beside the tool under `name`.
    void Copy(const std::wstring& source, const wchar_t* name) const
    {
        m_Folder.Copy(source, name);
    }
    const CTemporaryDirectory& Folder() const { return m_Folder; }

private:
    CTemporaryDirectory m_Folder;
    std::wstring m_ExeName;
};

inline CToolRun RunTool(const wchar_t* variant, const CEnvironment& settings,
                        const wchar_t* exeName = L"GetSessionLevel.exe")
{
    return CToolFolder(variant, exeName).Run(settings);
}

std::string SuccessLine(const std::string& level);
std::string FailureLine(const std::string& code);

} // namespace ZrTest
