#include "ToolRunner.h"

#include <gtest/gtest.h>

namespace ZrTest
{

CToolFolder::CToolFolder(const wchar_t* variant, const wchar_t* exeName) : m_ExeName(exeName)
{
    m_Folder.Copy(BuildDirectory() + L"\\bin\\GetSessionLevel.exe", exeName);
    m_Folder.Copy(StandInRoot() + L"\\ZrError.dll", L"ZrError.dll");
    if (variant)
        m_Folder.Copy(StandInDirectory(variant) + L"\\ZrSrvApi.dll", L"ZrSrvApi.dll");
}

CToolRun CToolFolder::Run(const CEnvironment& settings, const std::wstring& directory) const
{
    const std::wstring trace = m_Folder.File(L"trace.txt");
    DeleteFileW(trace.c_str());
    CEnvironment environment = settings;
    environment.emplace_back(L"ZRSRVAPI_TRACE", trace);
    const CProcessResult run =
        RunProcess(m_Folder.File(m_ExeName.c_str()), L"",
                   directory.empty() ? m_Folder.Path() : directory, environment);
    EXPECT_EQ(0u, run.StartError);
    return CToolRun{run.ExitCode, run.Output, run.ProcessId, ReadLines(trace)};
}

std::string SuccessLine(const std::string& level)
{
    return "The current session level: " + level + "\r\n";
}

std::string FailureLine(const std::string& code)
{
    return "Impossible to get the current session level: " + code + "h\r\n";
}

} // namespace ZrTest
