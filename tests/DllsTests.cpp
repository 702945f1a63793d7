#include "LibrarySearch.h"
#include "TestSupport.h"
#include "ZrSrvApi.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace ZrBase;
using ZrTest::ErrorProperty;
using ZrTest::Raised;
using ZrTest::ServiceLibraryLoaded;

namespace
{

const wchar_t ServiceLibrary[] = L"ZrSrvApi.dll";

// A binding whose slot names another library than the one its base loads.
class CMismatchedApi : public CDynamicLibrary2
{
public:
    class CLibName
    {
    public:
        const wchar_t* GetName() const { return L"ZrNotLoaded.dll"; }
    };
    class CZrCloseSession
    {
    public:
        const char* GetName() const { return "ZrCloseSession"; }
    };

    CMismatchedApi();
    TFunctionCall2<CLibName, unsigned long(__stdcall*)(void*), CZrCloseSession> ZrCloseSession;
};

// A binding whose member raises after its base loaded the library.
class CFailingMember
{
public:
    CFailingMember() { ThrowError(CErrorCode(0x1234), nullptr, 0, nullptr); }
};
class CFailingApi : public CDynamicLibrary2
{
public:
    CFailingApi() : CDynamicLibrary2(ServiceLibrary, 0xE601000D) {}
    CFailingMember Member;
};

} // namespace

namespace ZrBase
{
template <>
struct TSlotSpelling<CMismatchedApi::CLibName>
{
    static const wchar_t* Name() { return L"class CMismatchedApi::CLibName"; }
};
template <>
struct TSlotSpelling<CMismatchedApi::CZrCloseSession>
{
    static const wchar_t* Name() { return L"class CMismatchedApi::CZrCloseSession"; }
    static const wchar_t* Parameters() { return L"void *"; }
};
} // namespace ZrBase

CMismatchedApi::CMismatchedApi() : CDynamicLibrary2(ServiceLibrary, 0xE601000D) {}

TEST(DynamicLibrary, MissingLibraryRaisesTheCallersCode)
{
    // A product language the message library lacks: the text lookup behind the error then
    // fails once on its way, which must not replace the loader's reason.
    ZrTest::CScopedRegistryValue locale(ZrTest::ProductLocale);
    locale.SetString(L"de-DE");
    SetLastError(0xdeadbeef);
    try
    {
        CDynamicLibrary2 library(L"ZrNoSuchLibrary.dll", 0xE601000D);
        FAIL() << "loaded a library that does not exist";
    }
    catch (const CZrError& error)
    {
        // The loader's reason stays in the last error, not in the error.
        EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
        EXPECT_EQ(0xE601000Du, error.GetCode());
        EXPECT_EQ(L"488", ErrorProperty(error, L"Line"));
        EXPECT_EQ(L"Common/ZrBaseLib/dlls", ErrorProperty(error, L"File"));
        EXPECT_EQ(L"ZrBase::CDynamicLibrary2::CDynamicLibrary2", ErrorProperty(error, L"Function"));
    }
    // Whatever code the caller chose.
    try
    {
        CDynamicLibrary2 library(L"ZrNoSuchLibrary.dll", 42);
    }
    catch (const CZrError& error)
    {
        EXPECT_EQ(42u, error.GetCode());
    }
}

TEST(DynamicLibrary, UnloadKeepsTheLastErrorAndOtherReferences)
{
    const ZrTest::CScopedStandIn standIn(L"full");
    {
        // Looking in the folders before the one that holds it leaves no trace either.
        SetLastError(0xdeadbeef);
        CDynamicLibrary2 library(ServiceLibrary, 0xE601000D);
        EXPECT_EQ(0xdeadbeefu, GetLastError());
        EXPECT_TRUE(ServiceLibraryLoaded());
        SetLastError(0xdeadbeef);
    }
    EXPECT_EQ(0xdeadbeefu, GetLastError());
    EXPECT_FALSE(ServiceLibraryLoaded());

    // Its unload failing (the reference was taken away behind its back) changes nothing either.
    {
        CDynamicLibrary2 library(ServiceLibrary, 0xE601000D);
        ASSERT_TRUE(FreeLibrary(GetModuleHandleW(ServiceLibrary)));
        ASSERT_FALSE(ServiceLibraryLoaded());
        SetLastError(0xdeadbeef);
    }
    EXPECT_EQ(0xdeadbeefu, GetLastError());

    // A library loaded by someone else stays loaded for them.
    const HMODULE other = LoadLibraryW(ServiceLibrary);
    ASSERT_NE(nullptr, other);
    {
        CDynamicLibrary2 library(ServiceLibrary, 0xE601000D);
    }
    EXPECT_EQ(other, GetModuleHandleW(ServiceLibrary));
    FreeLibrary(other);
    EXPECT_FALSE(ServiceLibraryLoaded());

    // A binding whose construction fails after the load leaves the library unloaded.
    try
    {
        CFailingApi api;
        FAIL() << "the member did not raise";
    }
    catch (const CZrError& error)
    {
        EXPECT_EQ(0x1234u, error.GetCode());
    }
    EXPECT_FALSE(ServiceLibraryLoaded());
}

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
    // Found on PATH: a library named with its folder is loaded as given.
    const ZrTest::CTemporaryDirectory folder;
    folder.Copy(ZrTest::StandInDirectory(L"full") + L"\\ZrSrvApi.dll", ServiceLibrary);
    const ZrTest::CScopedEnvironment path(L"PATH", folder.Path());
    {
        // None set: the library's folder from its load until it is freed, then empty.
        const CDynamicLibrary2 loaded(ServiceLibrary, 0x1234);
        EXPECT_EQ(folder.Path() + L"\\", dllDirectory());
    }
    EXPECT_EQ(L"", dllDirectory());
    EXPECT_FALSE(ServiceLibraryLoaded());
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

TEST(StackGuard, EndsTheProcessOnAnOverrun)
{
    const std::wstring probe = ZrTest::ModuleDirectory() + L"\\StackGuardProbe.exe";
    // Within its buffer the function returns; past it the process ends before anything is
    // written, with the status Windows gives a stack buffer overrun.
    const ZrTest::CProcessResult within = ZrTest::RunProcess(probe, L"8", L"", {});
    EXPECT_EQ("returned 120\r\n", within.Output);
    EXPECT_EQ(0u, within.ExitCode);
    const ZrTest::CProcessResult past = ZrTest::RunProcess(probe, L"64", L"", {});
    EXPECT_EQ("", past.Output);
    EXPECT_EQ(0xC0000409u, past.ExitCode);
}

TEST(ServiceBinding, PartialLibraryBindsAndRaisesOnlyWhenAMissingSlotIsCalled)
{
    const ZrTest::CScopedEnvironment closeStatus(L"ZRSRVAPI_CLOSE_STATUS", L"0x1234");
    const ZrTest::CScopedStandIn standIn(L"no-open");
    CZrSrvApi api;

    // Present slots call through and hand the status back unchanged.
    EXPECT_EQ(0x1234u, api.ZrCloseSession(reinterpret_cast<void*>(0x5E55)));
    EXPECT_EQ(ERROR_CALL_NOT_IMPLEMENTED, api.ZrQueryProductType(nullptr));
    EXPECT_EQ(ERROR_CALL_NOT_IMPLEMENTED, api.ZrAdQueryVersion());
    EXPECT_EQ(ERROR_CALL_NOT_IMPLEMENTED, api.ZrVerifyTerminalClient(nullptr, nullptr));

    // The missing one raises, naming the export in the description.
    _ZR_SESSION record = {};
    try
    {
        api.ZrOpenSession(&record);
        FAIL() << "called a missing export";
    }
    catch (const CZrError& error)
    {
        EXPECT_EQ(0xE6010032u, error.GetCode());
        EXPECT_EQ(L"523", ErrorProperty(error, L"Line"));
        EXPECT_EQ(L"Common/ZrBaseLib/dlls", ErrorProperty(error, L"File"));
        EXPECT_NE(std::wstring::npos, std::wstring(error.GetDescription()).find(L"ZrOpenSession"));
    }
    // Still in working order.
    EXPECT_EQ(0x1234u, api.ZrCloseSession(nullptr));
}

TEST(ServiceBinding, RecordsTheSlotsFunctionNames)
{
    const ZrTest::CScopedStandIn standIn(L"no-exports");
    CZrSrvApi api;
    auto raisedBy = [](const std::function<void()>& call) {
        const CZrError error = Raised(call);
        EXPECT_EQ(0xE6010032u, error.GetCode());
        return ErrorProperty(error, L"Function");
    };

    EXPECT_EQ(L"ZrBase::TFunctionCall2<class CZrSrvApi::CLibName,unsigned long (__stdcall*)(struct "
              L"_ZR_SESSION *),class CZrSrvApi::CZrOpenSession>::operator unsigned long "
              L"(__stdcall *)(struct _ZR_SESSION *)",
              raisedBy([&] { api.ZrOpenSession(nullptr); }));
    EXPECT_EQ(
        L"ZrBase::TFunctionCall2<class CZrSrvApi::CLibName,unsigned long (__stdcall*)(void "
        L"*),class CZrSrvApi::CZrApiBufferFree>::operator unsigned long (__stdcall *)(void *)",
        raisedBy([&] { api.ZrApiBufferFree(nullptr); }));
    EXPECT_EQ(L"ZrBase::TFunctionCall2<class CZrSrvApi::CLibName,unsigned long (__stdcall*)(void "
              L"*),class CZrSrvApi::CZrCloseSession>::operator unsigned long (__stdcall *)(void *)",
              raisedBy([&] { api.ZrCloseSession(nullptr); }));
    EXPECT_EQ(
        L"ZrBase::TFunctionCall2<class CZrSrvApi::CLibName,unsigned long (__stdcall*)(void "
        L"*,struct _LUID *,enum _EZrUserInfo,void * *),class "
        L"CZrSrvApi::CZrSessionGetInfo>::operator unsigned long (__stdcall *)(void *,struct "
        L"_LUID *,enum _EZrUserInfo,void **)",
        raisedBy([&] { api.ZrSessionGetInfo(nullptr, nullptr, ZrUserInfoSessionLevel, nullptr); }));
    // Every slot of a library without exports is empty.
    EXPECT_EQ(0xE6010032u, Raised([&] { api.ZrAdQueryVersion(); }).GetCode());
    EXPECT_EQ(0xE6010032u, Raised([&] { api.ZrVerifyTerminalClient(nullptr, nullptr); }).GetCode());
}

TEST(ServiceBinding, MissingLibraryFileRaisesFromTheBase)
{
    const ZrTest::CTemporaryDirectory empty;
    SetDllDirectoryW(empty.Path().c_str());
    try
    {
        CZrSrvApi api;
        FAIL() << "bound a library that is not there";
    }
    catch (const CZrError& error)
    {
        // From the load, before any slot looked for the module.
        EXPECT_EQ(0xE601000Du, error.GetCode());
        EXPECT_EQ(L"488", ErrorProperty(error, L"Line"));
        EXPECT_EQ(L"ZrBase::CDynamicLibrary2::CDynamicLibrary2", ErrorProperty(error, L"Function"));
    }
    SetDllDirectoryW(nullptr);
}

TEST(ServiceBinding, SlotWithoutItsLibraryRaisesTheLoaderCode)
{
    // A slot of the service table built where the library is not loaded.
    ASSERT_FALSE(ServiceLibraryLoaded());
    typedef unsigned long(__stdcall * POpenSession)(_ZR_SESSION*);
    try
    {
        TFunctionCall2<CZrSrvApi::CLibName, POpenSession, CZrSrvApi::CZrOpenSession> slot;
        FAIL() << "bound without the library";
    }
    catch (const CZrError& error)
    {
        EXPECT_EQ(static_cast<unsigned long>(ERROR_MOD_NOT_FOUND), error.GetCode());
        EXPECT_EQ(L"516", ErrorProperty(error, L"Line"));
        EXPECT_EQ(L"ZrBase::TFunctionCall2<class CZrSrvApi::CLibName,unsigned long "
                  L"(__stdcall*)(struct _ZR_SESSION *),class "
                  L"CZrSrvApi::CZrOpenSession>::TFunctionCall2",
                  ErrorProperty(error, L"Function"));
    }

    // In a binding, the library its base loaded is released before the error arrives.
    const ZrTest::CScopedStandIn standIn(L"full");
    try
    {
        CMismatchedApi api;
        FAIL() << "bound a slot of a library that is not loaded";
    }
    catch (const CZrError& error)
    {
        EXPECT_FALSE(ServiceLibraryLoaded());
        EXPECT_EQ(static_cast<unsigned long>(ERROR_MOD_NOT_FOUND), error.GetCode());
        EXPECT_EQ(L"516", ErrorProperty(error, L"Line"));
        EXPECT_EQ(L"ZrBase::TFunctionCall2<class CMismatchedApi::CLibName,unsigned long "
                  L"(__stdcall*)(void *),class CMismatchedApi::CZrCloseSession>::TFunctionCall2",
                  ErrorProperty(error, L"Function"));
    }
}
