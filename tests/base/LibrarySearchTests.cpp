#include "Files.h"
#include "LibrarySearch.h"
#include "Processes.h"
#include "StandIns.h"
#include "dlls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace ZrBase;
using ZrTest::ServiceLibraryLoaded;

namespace
{

const wchar_t ServiceLibrary[] = L"ZrSrvApi.dll";

} // namespace

TEST(LibrarySearch, FoldersAreTheLoadersLessTheCurrentOne)
{
    CSearchPlaces places;
    places.ProgramPath = L"C:\\Tools\\tool.exe";
    places.SystemFolder = L"C:\\windows\\system32";
    places.WindowsFolder = L"C:\\windows";
    const std::vector<std::wstring> system = {L"C:\\windows\\system32\\", L"C:\\windows\\System\\",
                                              L"C:\\windows\\"};
    auto folders = [&](const wchar_t* dllDirectory, const wchar_t* path) {
        places.DllDirectory = dllDirectory;
        places.Path = path;
        return LibraryFolders(places);
    };
    auto expected = [&](std::vector<std::wstring> before, std::vector<std::wstring> after) {
        before.insert(before.end(), system.begin(), system.end());
        before.insert(before.end(), after.begin(), after.end());
        return before;
    };

    // The program's folder first, PATH after the system folders.
    EXPECT_EQ(expected({L"C:\\Tools\\"}, {L"D:\\lib\\"}), folders(L"", L"D:\\lib"));
    // The DLL directory right after the program's folder.
    EXPECT_EQ(expected({L"C:\\Tools\\", L"F:\\dlls\\"}, {}), folders(L"F:\\dlls", L""));
    // Only absolute PATH entries: drive-relative, rooted, relative, quoted and empty ones depend
    // on the current folder or name none; UNC and forward slashes are absolute.
    EXPECT_EQ(expected({L"C:\\Tools\\"}, {L"\\\\srv\\share\\x\\", L"E:/fwd\\", L"G:\\"}),
              folders(L"", L"C:lib;lib;.\\lib;\\lib;\"E:\\q\";;\\\\srv\\share\\x;E:/fwd;G:\\"));
    EXPECT_FALSE(IsAbsoluteFolder(L"C:"));
    EXPECT_FALSE(IsAbsoluteFolder(L"\\"));
    EXPECT_FALSE(IsAbsoluteFolder(L"1:\\x"));
}

TEST(LibrarySearch, FindsFilesAndTakesWhatIsLoaded)
{
    // A folder that bears the library's name is no library.
    const ZrTest::CTemporaryDirectory decoy, real;
    ASSERT_TRUE(CreateDirectoryW(decoy.File(ServiceLibrary).c_str(), nullptr));
    real.Copy(ZrTest::StandInDirectory(L"full") + L"\\ZrSrvApi.dll", ServiceLibrary);
    EXPECT_EQ(real.File(ServiceLibrary),
              FindLibrary(ServiceLibrary, {decoy.Path() + L"\\", real.Path() + L"\\"}));
    EXPECT_EQ(L"", FindLibrary(ServiceLibrary, {decoy.Path() + L"\\"}));

    // Never from the current folder...
    wchar_t current[MAX_PATH];
    ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, current));
    ASSERT_TRUE(SetCurrentDirectoryW(real.Path().c_str()));
    CLibraryDllDirectory directory;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(nullptr, LoadLibraryOutsideCurrentFolder(ServiceLibrary, directory));
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
    // ...but a library of that name loaded already, from wherever, is the one taken.
    const HMODULE loaded = LoadLibraryW(real.File(ServiceLibrary).c_str());
    ASSERT_NE(nullptr, loaded);
    SetLastError(0xdeadbeef);
    const HMODULE again = LoadLibraryOutsideCurrentFolder(ServiceLibrary, directory);
    EXPECT_EQ(loaded, again);
    EXPECT_EQ(0xdeadbeefu, GetLastError());
    SetCurrentDirectoryW(current);
    FreeLibrary(again);
    FreeLibrary(loaded);
    EXPECT_FALSE(ServiceLibraryLoaded());
}

TEST(LibrarySearch, LibrarysFolderIsTheDllDirectoryWhileItIsLoaded)
{
    auto dllDirectory = [] {
        wchar_t text[MAX_PATH] = L"(unchanged)";
        GetDllDirectoryW(MAX_PATH, text);
        return std::wstring(text);
    };
    // Named bare, found on PATH.
    const ZrTest::CTemporaryDirectory folder;
    folder.Copy(ZrTest::StandInDirectory(L"full") + L"\\ZrSrvApi.dll", ServiceLibrary);
    const std::wstring hostPath = folder.Path() + L";lib;.";
    const ZrTest::CScopedEnvironment path(L"PATH", hostPath);
    {
        // None set: the library's folder from its load until it is freed, then empty. The
        // host's PATH is its own, relative entries and all.
        const CDynamicLibrary2 loaded(ServiceLibrary, 0x1234);
        EXPECT_EQ(folder.Path() + L"\\", dllDirectory());
        wchar_t text[MAX_PATH] = L"";
        GetEnvironmentVariableW(L"PATH", text, MAX_PATH);
        EXPECT_EQ(hostPath, text);
    }
    EXPECT_EQ(L"", dllDirectory());
    EXPECT_FALSE(ServiceLibraryLoaded());
    // Two holders: the folder stays while either keeps the library, whichever goes first.
    for (const bool oldestFirst : {true, false})
    {
        auto first = std::make_unique<CDynamicLibrary2>(ServiceLibrary, 0x1234);
        auto second = std::make_unique<CDynamicLibrary2>(ServiceLibrary, 0x1234);
        (oldestFirst ? first : second).reset();
        EXPECT_EQ(folder.Path() + L"\\", dllDirectory()) << "oldest first: " << oldestFirst;
        (oldestFirst ? second : first).reset();
        EXPECT_EQ(L"", dllDirectory());
    }
    {
        // The host's own is kept.
        const ZrTest::CScopedStandIn host(L"no-open");
        {
            const CDynamicLibrary2 loaded(ServiceLibrary, 0x1234);
            EXPECT_EQ(ZrTest::StandInDirectory(L"no-open"), dllDirectory());
        }
        EXPECT_EQ(ZrTest::StandInDirectory(L"no-open"), dllDirectory());
    }
}
