#include "Errors.h"
#include "Registry.h"
#include "StandIns.h"
#include "dlls.h"

#include <gtest/gtest.h>

using namespace ZrBase;
using ZrTest::ExpectPlace;
using ZrTest::Raised;
using ZrTest::ServiceLibraryLoaded;

namespace
{

const wchar_t ServiceLibrary[] = L"ZrSrvApi.dll";

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

TEST(DynamicLibrary, MissingLibraryRaisesTheCallersCode)
{
    // A product language the message library lacks: the text lookup behind the error then
    // fails once on its way, which must not replace the loader's reason.
    ZrTest::CScopedRegistryValue locale(ZrTest::ProductLocale);
    locale.SetString(L"de-DE");
    SetLastError(0xdeadbeef);
    const CZrError error =
        Raised([] { CDynamicLibrary2 library(L"ZrNoSuchLibrary.dll", 0xE601000D); });
    // The loader's reason stays in the last error, not in the error.
    EXPECT_EQ(ERROR_MOD_NOT_FOUND, GetLastError());
    ExpectPlace(error, 0xE601000D, L"Common/ZrBaseLib/dlls", L"488",
                L"ZrBase::CDynamicLibrary2::CDynamicLibrary2");
    // Whatever code the caller chose.
    EXPECT_EQ(42u, Raised([] { CDynamicLibrary2 library(L"ZrNoSuchLibrary.dll", 42); }).GetCode());
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
    EXPECT_EQ(0x1234u, Raised([] { CFailingApi api; }).GetCode());
    EXPECT_FALSE(ServiceLibraryLoaded());
}
