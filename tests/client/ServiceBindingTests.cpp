#include "Errors.h"
#include "Files.h"
#include "Processes.h"
#include "StandIns.h"
#include "ZrSrvApi.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace ZrBase;
using ZrTest::ErrorProperty;
using ZrTest::ExpectPlace;
using ZrTest::Raised;
using ZrTest::ServiceLibraryLoaded;

namespace
{

const wchar_t ServiceLibrary[] = L"ZrSrvApi.dll";
const wchar_t Dlls[] = L"Common/ZrBaseLib/dlls";

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
    const CZrError error = Raised([&] { api.ZrOpenSession(&record); });
    EXPECT_EQ(0xE6010032u, error.GetCode());
    EXPECT_EQ(L"523", ErrorProperty(error, L"Line"));
    EXPECT_EQ(Dlls, ErrorProperty(error, L"File"));
    EXPECT_NE(std::wstring::npos, std::wstring(error.GetDescription()).find(L"ZrOpenSession"));
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
    // From the load, before any slot looked for the module.
    ExpectPlace(Raised([] { CZrSrvApi api; }), 0xE601000D, Dlls, L"488",
                L"ZrBase::CDynamicLibrary2::CDynamicLibrary2");
    SetDllDirectoryW(nullptr);
}

TEST(ServiceBinding, SlotWithoutItsLibraryRaisesTheLoaderCode)
{
    // A slot of the service table built where the library is not loaded.
    ASSERT_FALSE(ServiceLibraryLoaded());
    typedef unsigned long(__stdcall * POpenSession)(_ZR_SESSION*);
    ExpectPlace(
        Raised([] {
            TFunctionCall2<CZrSrvApi::CLibName, POpenSession, CZrSrvApi::CZrOpenSession> slot;
        }),
        ERROR_MOD_NOT_FOUND, Dlls, L"516",
        L"ZrBase::TFunctionCall2<class CZrSrvApi::CLibName,unsigned long "
        L"(__stdcall*)(struct _ZR_SESSION *),class "
        L"CZrSrvApi::CZrOpenSession>::TFunctionCall2");

    // In a binding, the library its base loaded is released before the error arrives.
    const ZrTest::CScopedStandIn standIn(L"full");
    const CZrError error = Raised([] { CMismatchedApi api; });
    EXPECT_FALSE(ServiceLibraryLoaded());
    ExpectPlace(error, ERROR_MOD_NOT_FOUND, Dlls, L"516",
                L"ZrBase::TFunctionCall2<class CMismatchedApi::CLibName,unsigned long "
                L"(__stdcall*)(void *),class CMismatchedApi::CZrCloseSession>::TFunctionCall2");
}
