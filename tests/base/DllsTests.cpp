#include "Errors.h"
#include "Registry.h"
#include "StandIns.h"
#include "dlls.h"

#include <gtest/gtest.h>

using namespace ZrBase;
using ZrTest::ErrorProperty;
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
        FAIL() << "loaded a library that does not exist";
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
