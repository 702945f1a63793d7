// The real GetSessionLevel.exe, run in a folder of its own with a stand-in service library.
#include "Registry.h"
#include "ToolRunner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace ZrTest;

namespace
{

std::vector<std::string> Calls(const CToolRun& run)
{
    return TraceCalls(run.Trace);
}

const std::string Open = "ZrOpenSession", GetInfo = "ZrSessionGetInfo", Free = "ZrApiBufferFree",
                  Close = "ZrCloseSession";

} // namespace

TEST(Tool, PrintsTheLevelAndReturnsIt)
{
    const struct
    {
        const wchar_t* Level;
        const char* Printed;
        DWORD ExitCode;
    } cases[] = {
        {L"0", "0", 0},
        {L"7", "7", 7},
        {L"300", "300", 300},
        // The line reads the 32 bits as signed; the exit code keeps them all.
        {L"0x80000000", "-2147483648", 0x80000000},
        {L"0xFFFFFFFF", "-1", 0xFFFFFFFF},
    };
    for (const auto& c : cases)
    {
        const CToolRun run = RunTool(L"full", {{L"ZRSRVAPI_LEVEL", c.Level}});
        EXPECT_EQ(SuccessLine(c.Printed), run.Output);
        EXPECT_EQ(c.ExitCode, run.ExitCode) << c.Printed;
        EXPECT_EQ(CCalls({Open, GetInfo, Free, Close}), Calls(run));
    }
}

TEST(Tool, ReportsEveryFailureWithExitCodeZero)
{
    const struct
    {
        const char* What;
        const wchar_t* Variant;
        ZrTest::CEnvironment Settings;
        const char* Code;
        CCalls Calls;
    } cases[] = {
        {"no service library", nullptr, {}, "0xE601000D", {}},
        {"no ZrOpenSession", L"no-open", {}, "0xE6010032", {}},
        {"no ZrSessionGetInfo", L"no-getinfo", {}, "0xE6010032", {Open, Close}},
        {"no ZrApiBufferFree", L"no-free", {}, "0xE6010032", {Open, GetInfo, Close}},
        {"no exports", L"no-exports", {}, "0xE6010032", {}},
        {"session refused", L"full", {{L"ZRSRVAPI_OPEN_STATUS", L"5"}}, "0x00000005", {Open}},
        {"session refused, suite code",
         L"full",
         {{L"ZRSRVAPI_OPEN_STATUS", L"0xE6010123"}},
         "0xE6010123",
         {Open}},
        {"information refused",
         L"full",
         {{L"ZRSRVAPI_GETINFO_STATUS", L"0x57"}},
         "0x00000057",
         {Open, GetInfo, Close}},
        // The level was read, yet the run failed.
        {"buffer not taken back",
         L"full",
         {{L"ZRSRVAPI_FREE_STATUS", L"0x1F"}, {L"ZRSRVAPI_LEVEL", L"9"}},
         "0x0000001F",
         {Open, GetInfo, Free, Close}},
        // No handle: nothing to ask with, and the close that finds none is swallowed.
        {"no session handle", L"full", {{L"ZRSRVAPI_SESSION_HANDLE", L"0"}}, "0x00000006", {Open}},
        // Success without a buffer is no level.
        {"null buffer",
         L"full",
         {{L"ZRSRVAPI_NULL_BUFFER", L"1"}},
         "0x0000000D",
         {Open, GetInfo, Close}},
        // Memory runs out while the refusal is raised: still a failure, never a level (an
        // ended process would leave exit code 3).
        {"no memory",
         L"full",
         {{L"ZRSRVAPI_NO_MEMORY", L"open"}, {L"ZRSRVAPI_OPEN_STATUS", L"5"}},
         "0x00000008",
         {Open}},
        // Memory runs out after the refusal was raised, before its code is read.
        {"no memory for the catch",
         L"full",
         {{L"ZRSRVAPI_NO_MEMORY", L"close"}, {L"ZRSRVAPI_GETINFO_STATUS", L"0x57"}},
         "0x00000057",
         {Open, GetInfo, Close}},
    };
    for (const auto& c : cases)
    {
        const CToolRun run = RunTool(c.Variant, c.Settings);
        EXPECT_EQ(FailureLine(c.Code), run.Output) << c.What;
        EXPECT_EQ(0u, run.ExitCode) << c.What;
        EXPECT_EQ(c.Calls, Calls(run)) << c.What;
    }
}

TEST(Tool, NeverTakesTheServiceLibraryFromTheCurrentFolder)
{
    // The tool's folder without a library, a current folder and a folder for PATH. The
    // current folder holds a library that gives no level (no exports): taking it would show.
    const CToolFolder tool(nullptr);
    const ZrTest::CTemporaryDirectory current, onPath;
    current.Copy(StandInDirectory(L"no-exports") + L"\\ZrSrvApi.dll", L"ZrSrvApi.dll");
    ASSERT_TRUE(CreateDirectoryW(current.File(L"lib").c_str(), nullptr));
    current.Copy(StandInDirectory(L"full") + L"\\ZrSrvApi.dll", L"lib\\ZrSrvApi.dll");
    const std::wstring system = L"C:\\windows\\system32;C:\\windows";
    const struct
    {
        const char* What;
        std::wstring Path;
        std::string Output;
    } cases[] = {
        {"only in the current folder", system, FailureLine("0xE601000D")},
        // A relative PATH entry is the current folder again.
        {"on PATH relative to the current folder", system + L";lib;.\\lib",
         FailureLine("0xE601000D")},
        {"on PATH, another in the current folder", system + L";" + onPath.Path(), SuccessLine("2")},
        {"on PATH with a trailing backslash", onPath.Path() + L"\\;" + system, SuccessLine("2")},
    };
    onPath.Copy(StandInDirectory(L"full") + L"\\ZrSrvApi.dll", L"ZrSrvApi.dll");
    for (const auto& c : cases)
        EXPECT_EQ(c.Output, tool.Run({{L"PATH", c.Path}}, current.Path()).Output) << c.What;

    // Beside the tool it is found from any current folder.
    const CToolFolder beside(L"full");
    EXPECT_EQ(SuccessLine("2"), beside.Run({{L"PATH", system}}, current.Path()).Output);

    // What it loads, at its load or later by bare name: beside it first, never from the current
    // folder (the trace names the file taken, "none" for nothing).
    const std::wstring dependency = StandInDirectory(L"dependency") + L"\\ZrStandInDep.dll";
    current.Copy(dependency, L"ZrStandInDep.dll");
    auto taken = [](const CToolRun& run, size_t call, const char* field) {
        return run.Trace.size() > call ? TraceField(run.Trace[call], field) : "(no call)";
    };
    auto file = [](const ZrTest::CTemporaryDirectory& folder, const wchar_t* name) {
        return ZrTest::ToUtf8(folder.File(name));
    };
    const CToolFolder dependent(L"with-dependency");
    EXPECT_EQ(FailureLine("0xE601000D"), dependent.Run({{L"PATH", system}}, current.Path()).Output);
    onPath.Copy(dependency, L"ZrStandInDep.dll");
    CToolRun run = dependent.Run({{L"PATH", system + L";" + onPath.Path()}}, current.Path());
    EXPECT_EQ(SuccessLine("2"), run.Output);
    EXPECT_EQ(file(onPath, L"ZrStandInDep.dll"), taken(run, 0, "dependency"));
    // On PATH with its dependency beside it, another copy beside the tool: its own folder wins.
    const ZrTest::CTemporaryDirectory library;
    library.Copy(StandInDirectory(L"with-dependency") + L"\\ZrSrvApi.dll", L"ZrSrvApi.dll");
    library.Copy(dependency, L"ZrStandInDep.dll");
    const CToolFolder elsewhere(nullptr);
    elsewhere.Copy(dependency, L"ZrStandInDep.dll");
    const std::wstring path = system + L";" + library.Path();
    run = elsewhere.Run({{L"PATH", path}}, current.Path());
    EXPECT_EQ(SuccessLine("2"), run.Output);
    EXPECT_EQ(file(library, L"ZrStandInDep.dll"), taken(run, 0, "dependency"));
    // What it loads later by bare name: never from the current folder, the level still printed.
    current.Copy(dependency, L"ZrStandInHelper.dll");
    const ZrTest::CEnvironment helper = {{L"PATH", path},
                                         {L"ZRSRVAPI_HELPER", L"ZrStandInHelper.dll"}};
    run = elsewhere.Run(helper, current.Path());
    EXPECT_EQ(SuccessLine("2"), run.Output);
    EXPECT_EQ("none", taken(run, 1, "helper"));
    library.Copy(dependency, L"ZrStandInHelper.dll");
    EXPECT_EQ(file(library, L"ZrStandInHelper.dll"),
              taken(elsewhere.Run(helper, current.Path()), 1, "helper"));
    // Beside the tool too: the tool's folder comes first, as the loader has it.
    elsewhere.Copy(dependency, L"ZrStandInHelper.dll");
    EXPECT_EQ(file(elsewhere.Folder(), L"ZrStandInHelper.dll"),
              taken(elsewhere.Run(helper, current.Path()), 1, "helper"));
}

TEST(Tool, RelativePathEntriesNeverServeTheLibrarysLoads)
{
    // The current folder `work`, lib\ in it and x\ beside it hold the library's dependency and
    // helper; so does an absolute PATH folder after the relative entry, which must serve.
    const ZrTest::CTemporaryDirectory root, onPath;
    const std::wstring dependency = StandInDirectory(L"dependency") + L"\\ZrStandInDep.dll";
    const std::wstring work = root.File(L"work"),
                       folders[] = {work, work + L"\\lib", root.File(L"x")};
    for (const std::wstring& folder : folders)
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (const std::wstring name : {L"\\ZrStandInDep.dll", L"\\ZrStandInHelper.dll"})
    {
        for (const std::wstring& folder : folders)
            ASSERT_TRUE(CopyFileW(dependency.c_str(), (folder + name).c_str(), FALSE));
        onPath.Copy(dependency, name.c_str() + 1);
    }
    const CToolFolder tool(L"with-dependency");
    const std::wstring entries[] = {L".", L"lib", L"..\\x", std::wstring(1, work[0]) + L":lib"};
    for (const std::wstring& entry : entries)
    {
        SCOPED_TRACE("PATH entry " + ZrTest::ToUtf8(entry));
        const CToolRun run =
            tool.Run({{L"PATH", L"C:\\windows\\system32;" + entry + L";" + onPath.Path()},
                      {L"ZRSRVAPI_HELPER", L"ZrStandInHelper.dll"}},
                     work);
        EXPECT_EQ(SuccessLine("2"), run.Output);
        ASSERT_EQ(4u, run.Trace.size());
        EXPECT_EQ(ZrTest::ToUtf8(onPath.File(L"ZrStandInDep.dll")),
                  TraceField(run.Trace[0], "dependency"));
        EXPECT_EQ(ZrTest::ToUtf8(onPath.File(L"ZrStandInHelper.dll")),
                  TraceField(run.Trace[1], "helper"));
    }
}

TEST(Tool, CloseFailuresDoNotChangeTheOutcome)
{
    const struct
    {
        const char* What;
        const wchar_t* Variant;
        ZrTest::CEnvironment Settings;
        CCalls Calls;
    } cases[] = {
        {"close refused",
         L"full",
         {{L"ZRSRVAPI_CLOSE_STATUS", L"0x20"}},
         {Open, GetInfo, Free, Close}},
        {"no ZrCloseSession", L"no-close", {}, {Open, GetInfo, Free}},
        // A session identifier of 0 marks no open session: it is never closed.
        {"session id 0", L"full", {{L"ZRSRVAPI_SESSION_ID", L"0"}}, {Open, GetInfo, Free}},
    };
    for (const auto& c : cases)
    {
        ZrTest::CEnvironment settings = c.Settings;
        settings.emplace_back(L"ZRSRVAPI_LEVEL", L"5");
        const CToolRun run = RunTool(c.Variant, settings);
        EXPECT_EQ(SuccessLine("5"), run.Output) << c.What;
        EXPECT_EQ(5u, run.ExitCode) << c.What;
        EXPECT_EQ(c.Calls, Calls(run)) << c.What;
    }
}

TEST(Tool, PresentsItselfToTheService)
{
    ZrTest::CScopedRegistryValue version(ZrTest::ClientVersion);
    version.Remove();
    const CToolRun run = RunTool(
        L"full", {{L"ZRSRVAPI_SESSION_HANDLE", L"0xABC0"}, {L"ZRSRVAPI_SESSION_ID", L"0x77"}});
    ASSERT_EQ(4u, run.Trace.size());
    const std::string& open = run.Trace[0];
    const std::string& info = run.Trace[1];
    const std::string& free = run.Trace[2];
    const std::string& close = run.Trace[3];

    char name[64];
    snprintf(name, sizeof(name), "@GetSessionLevel%04lX",
             static_cast<unsigned long>(run.ProcessId));
    EXPECT_EQ(name, TraceField(open, "name"));

    // The record as the service receives it, byte for byte: the name pointer, two zero fields,
    // the two version blocks (8.3.1406.0 and a zero field each), a zero field, the flags, the
    // handle and identifier zero on entry, and twelve zero bytes. The 32-bit layout is the
    // library's; the 64-bit one keeps its order with natural alignment.
    const std::string block = "0800"
                              "0300"
                              "7E05"
                              "0000"
                              "00000000";
    const std::string record = TraceField(open, "record");
    const size_t pointer = sizeof(void*) * 2;
    const std::string expected = sizeof(void*) == 4
                                     ? "00000000"
                                       "00000000" +
                                           block + block +
                                           "00000000"
                                           "02100000"
                                           "00000000"
                                           "00000000" +
                                           std::string(24, '0')
                                     : "00000000"
                                       "00000000" +
                                           block + block +
                                           "00000000"
                                           "02100000" +
                                           std::string(16, '0') + "00000000" + std::string(24, '0');
    ASSERT_EQ(pointer + expected.size(), record.size()) << record;
    EXPECT_NE(std::string(pointer, '0'), record.substr(0, pointer));
    EXPECT_EQ(expected, record.substr(pointer));

    // The handle and the buffer pass through unchanged; the result slot starts out null.
    EXPECT_EQ("0xABC0", TraceField(info, "handle"));
    EXPECT_EQ("null", TraceField(info, "luid"));
    EXPECT_EQ("11", TraceField(info, "class"));
    EXPECT_EQ("null", TraceField(info, "slot"));
    EXPECT_NE("null", TraceField(info, "buffer"));
    EXPECT_EQ(TraceField(info, "buffer"), TraceField(free, "buffer"));
    EXPECT_EQ("0xABC0", TraceField(close, "handle"));

    // A long file name is cut to 80 characters in the client name.
    const std::wstring longName(100, L'L');
    const CToolRun longRun = RunTool(L"full", {}, (longName + L".exe").c_str());
    ASSERT_FALSE(longRun.Trace.empty());
    snprintf(name, sizeof(name), "%04lX", static_cast<unsigned long>(longRun.ProcessId));
    EXPECT_EQ("@" + std::string(80, 'L') + name, TraceField(longRun.Trace[0], "name"));
    EXPECT_EQ(SuccessLine("2"), longRun.Output);
}

TEST(Tool, PresentsTheClientVersion)
{
    ZrTest::CScopedRegistryValue version(ZrTest::ClientVersion);
    const struct
    {
        const wchar_t* Value;
        const char* Block;
    } cases[] = {
        {nullptr, "8.3.1406.0.0"}, {L"8.1", "8.3.1406.0.0"}, {L"9", "9.0.0.0.0"},
        {L"9.0.1", "9.0.0.0.0"},   {L"-1", "65535.0.0.0.0"}, {L"abc", "8.3.1406.0.0"},
    };
    for (const auto& c : cases)
    {
        if (c.Value)
            version.SetString(c.Value);
        else
            version.Remove();
        const CToolRun run = RunTool(L"full", {});
        ASSERT_EQ(4u, run.Trace.size());
        EXPECT_EQ(c.Block, TraceField(run.Trace[0], "client")) << (c.Value ? "value" : "no value");
        EXPECT_EQ(c.Block, TraceField(run.Trace[0], "kernel"));
        EXPECT_EQ(SuccessLine("2"), run.Output);
        // The registry is read through kernel32: Advapi32.dll and what it brings never load.
        EXPECT_EQ("0", TraceField(run.Trace[3], "advapi32"));
    }
}

TEST(Tool, ScriptExampleTellsLevelZeroFromFailure)
{
    // Installed as it ships, in a folder with blanks and parentheses, and a second copy of the
    // tool elsewhere, beside a service library, for the path given as an argument.
    const ZrTest::CTemporaryDirectory root;
    const std::wstring programs = root.File(L"Program Files (x86)");
    const std::wstring folder = programs + L"\\GetSessionLevel";
    const std::wstring other = root.File(L"Other (x86)");
    for (const std::wstring& made : {programs, folder, folder + L"\\examples", other})
        ASSERT_TRUE(CreateDirectoryW(made.c_str(), nullptr));
    const std::wstring bin = ZrTest::BuildDirectory() + L"\\bin\\";
    const std::wstring full = ZrTest::StandInDirectory(L"full") + L"\\ZrSrvApi.dll";
    for (const std::wstring& tool : {folder, other})
        ASSERT_TRUE(CopyFileW((bin + L"GetSessionLevel.exe").c_str(),
                              (tool + L"\\GetSessionLevel.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(full.c_str(), (other + L"\\ZrSrvApi.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((bin + L"examples\\SessionLevel.cmd").c_str(),
                          (folder + L"\\examples\\SessionLevel.cmd").c_str(), FALSE));
    // The documented caller, passing on its own argument; then the example run again so that
    // its exit code becomes the script host's. (Wine's cmd reports any nonzero exit code of a
    // called batch file as 1 in ERRORLEVEL; Windows passes it on, so the host's is checked.)
    const std::string caller =
        "@echo off\r\n"
        "set \"SESSION_LEVEL=\" & set \"SESSION_ERROR=\"\r\n"
        "set \"gsl=%ProgramFiles(x86)%\"\r\n"
        "if not defined gsl set \"gsl=%ProgramFiles%\"\r\n"
        "call \"%gsl%\\GetSessionLevel\\examples\\SessionLevel.cmd\" %1\r\n"
        "if defined SESSION_LEVEL (echo level %SESSION_LEVEL%) else echo no level: "
        "%SESSION_ERROR%\r\n"
        "echo level=[%SESSION_LEVEL%] error=[%SESSION_ERROR%]\r\n"
        "\"%gsl%\\GetSessionLevel\\examples\\SessionLevel.cmd\" %1\r\n";
    const HANDLE file = CreateFileW(root.File(L"caller.cmd").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, caller.data(), static_cast<DWORD>(caller.size()), &written, nullptr);
    CloseHandle(file);

    wchar_t system[MAX_PATH];
    ASSERT_NE(0u, GetSystemDirectoryW(system, MAX_PATH));
    const std::wstring host = std::wstring(system) + L"\\cmd.exe";
    const ZrTest::CEnvironment on64 = {{L"ProgramFiles(x86)", programs}};
    const struct
    {
        const char* What;
        bool Library; // the stand-in beside the installed tool
        std::wstring Argument;
        ZrTest::CEnvironment Settings;
        const wchar_t* Level;
        const char* Output;
        DWORD ExitCode;
    } cases[] = {
        {"level", true, L"", on64, L"300", "level 300\r\nlevel=[300] error=[]", 300},
        {"level 0", true, L"", on64, L"0", "level 0\r\nlevel=[0] error=[]", 0},
        // A negative ERRORLEVEL: "if errorlevel 1" is false for it, the variable is not.
        {"high level", true, L"", on64, L"0x80000000",
         "level -2147483648\r\nlevel=[-2147483648] error=[]", 0x80000000},
        // No variable of the user's picks another tool.
        {"failure",
         false,
         L"",
         {{L"ProgramFiles(x86)", programs},
          {L"GETSESSIONLEVEL_EXE", other + L"\\GetSessionLevel.exe"}},
         L"300",
         "no level: 0xE601000D\r\nlevel=[] error=[0xE601000D]",
         0xE601000D},
        {"tool given in quotes", false, L"\"" + other + L"\\GetSessionLevel.exe\"", on64, L"300",
         "level 300\r\nlevel=[300] error=[]", 300},
    };
    for (const auto& c : cases)
    {
        const std::wstring library = folder + L"\\ZrSrvApi.dll";
        DeleteFileW(library.c_str());
        if (c.Library)
        {
            ASSERT_TRUE(CopyFileW(full.c_str(), library.c_str(), FALSE));
        }
        ZrTest::CEnvironment settings = c.Settings;
        settings.emplace_back(L"ZRSRVAPI_LEVEL", c.Level);
        // What the tool did and what the script host said, for a failure to show.
        const std::wstring trace = root.File(L"trace.txt");
        DeleteFileW(trace.c_str());
        settings.emplace_back(L"ZRSRVAPI_TRACE", trace);
        const ZrTest::CProcessResult run = ZrTest::RunProcess(
            host, L"/c caller.cmd " + c.Argument + L" 2>errors.txt", root.Path(), settings);
        EXPECT_EQ(0u, run.StartError);
        EXPECT_EQ(std::string(c.Output) + "\r\n", run.Output)
            << c.What << "; the service library's trace:\n"
            << ZrTest::ReadFileBytes(trace) << "standard error:\n"
            << ZrTest::ReadFileBytes(root.File(L"errors.txt"));
        EXPECT_EQ(c.ExitCode, run.ExitCode) << c.What;
    }

    // The call itself fails (no script where the caller looks): no level, whatever a variable
    // said before.
    const ZrTest::CProcessResult failed = ZrTest::RunProcess(
        host, L"/c caller.cmd", root.Path(),
        {{L"ProgramFiles(x86)", other}, {L"SESSION_LEVEL", L"5"}, {L"ZRSRVAPI_LEVEL", L"300"}});
    EXPECT_EQ("no level: \r\nlevel=[] error=[]\r\n", failed.Output);
}

TEST(Tool, DeclaresItselfInItsManifest)
{
    const std::wstring tool = ZrTest::BuildDirectory() + L"\\bin\\GetSessionLevel.exe";
    const HMODULE image = LoadLibraryExW(tool.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, image);
    const HRSRC resource = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(nullptr, resource) << "no manifest of id 1";
    const char* data = static_cast<const char*>(LockResource(LoadResource(image, resource)));
    ASSERT_NE(nullptr, data);
    const std::string manifest(data, SizeofResource(image, resource));
    FreeLibrary(image);

    // The caller's rights, never elevated: no virtualization of its HKLM reads.
    EXPECT_NE(std::string::npos,
              manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"));
    // Windows Vista, 7, 8, 8.1, 10 and 11.
    for (const char* os :
         {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
          "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
          "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(std::string::npos,
                  manifest.find(std::string("<supportedOS Id=\"{") + os + "}\"/>"))
            << os;
}

TEST(Tool, DescribesItselfInItsVersionResource)
{
    const std::wstring tool = ZrTest::BuildDirectory() + L"\\bin\\GetSessionLevel.exe";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(tool.c_str(), &ignored);
    ASSERT_NE(0u, size);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(tool.c_str(), 0, size, data.data()));
    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        if (!VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
            return std::wstring(L"(missing)");
        return std::wstring(value);
    };
    EXPECT_EQ(L"Get current session level utility", text(L"FileDescription"));
    EXPECT_EQ(L"Utility prints and returns current user session level", text(L"Comments"));
    EXPECT_NE(L"(missing)", text(L"FileVersion"));
    EXPECT_NE(L"(missing)", text(L"ProductVersion"));
}
