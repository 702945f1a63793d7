#include "Errors.h"
#include "ZrError.h"
#include "ZrErrorMessage.h"

#include <gtest/gtest.h>

#include <string>

using namespace ZrBase;

namespace
{

const wchar_t File[] = L"Common/ZrBaseLib/dlls";
const wchar_t Function[] = L"ZrBase::CDynamicLibrary2::CDynamicLibrary2";

// A text that holds NUL characters, up to the end that the caller knows.
std::wstring Span(const wchar_t* text, size_t length)
{
    return std::wstring(text, length);
}

} // namespace

TEST(ZrError, KeepsTheCodeAsText)
{
    const CZrError error =
        ZrTest::Raised([] { ThrowError(CErrorCode(0xE601000D), File, 488, Function); });
    EXPECT_EQ(0xE601000Du, error.GetCode());
    EXPECT_EQ(GetErrorMessage(0xE601000D), error.GetDescription());
    EXPECT_NE(std::wstring::npos, std::wstring(error.GetDump()).find(L"Code: 0xE601000D\r\n"));

    // 0 and all bits set survive the text form.
    const CZrError zero = ZrTest::Raised([] { ThrowError(CErrorCode(0), File, 1, Function); });
    EXPECT_EQ(0u, zero.GetCode());
    EXPECT_NE(std::wstring::npos, std::wstring(zero.GetDump()).find(L"Code: 0x00000000\r\n"));

    // 0xFFFFFFFF keeps its code but describes the thread's last error.
    SetLastError(0x2000FFFF);
    const CZrError last =
        ZrTest::Raised([] { ThrowError(CErrorCode(0xFFFFFFFF), File, 1, Function); });
    EXPECT_EQ(0xFFFFFFFFu, last.GetCode());
    EXPECT_STREQ(L"0x2000FFFF (536936447)", last.GetDescription());

    // Caught through the interface.
    try
    {
        ThrowError(CErrorCode(0xE6010032), File, 523, Function, L"ZrOpenSession");
    }
    catch (IZrErrorW& error)
    {
        EXPECT_EQ(0xE6010032u, error.GetCode());
    }
}

TEST(ZrError, DebugInfoListsThePlace)
{
    const CZrError error = ZrTest::Raised([] { ThrowError(CErrorCode(6), File, 488, Function); });
    const wchar_t* info = error.GetDebugInfo();
    const std::wstring expected = std::wstring(L"File\0", 5) + File + std::wstring(L"\0Line\0", 6) +
                                  L"488" + std::wstring(L"\0Function\0", 10) + Function +
                                  std::wstring(L"\0\0", 2);
    EXPECT_EQ(expected, Span(info, expected.size()));
    // Built once: the same text at the same place.
    EXPECT_EQ(info, error.GetDebugInfo());

    // Line 0: no Line entry anywhere.
    const CZrError noLine = ZrTest::Raised([] { ThrowError(CErrorCode(6), File, 0, Function); });
    const std::wstring expectedNoLine = std::wstring(L"File\0", 5) + File +
                                        std::wstring(L"\0Function\0", 10) + Function +
                                        std::wstring(L"\0\0", 2);
    EXPECT_EQ(expectedNoLine, Span(noLine.GetDebugInfo(), expectedNoLine.size()));
    EXPECT_EQ(std::wstring::npos, std::wstring(noLine.GetDump()).find(L"Line"));

    // Nothing known: an empty text, stored all the same.
    const CZrError nowhere = ZrTest::Raised([] { ThrowError(CErrorCode(6), nullptr, 0, nullptr); });
    EXPECT_STREQ(L"", nowhere.GetDebugInfo());
    EXPECT_NE(std::wstring::npos, std::wstring(nowhere.GetDump()).find(L"\r\nDebugInfo: \r\n"));

    // An empty function name is a name.
    const CZrError unnamed = ZrTest::Raised([] { ThrowError(CErrorCode(6), nullptr, 0, L""); });
    EXPECT_NE(std::wstring::npos, std::wstring(unnamed.GetDump()).find(L"\r\nFunction: \r\n"));
    EXPECT_EQ(std::wstring(L"Function\0\0\0", 11), Span(unnamed.GetDebugInfo(), 11));
}

TEST(ZrError, DumpListsEveryProperty)
{
    const CZrError error =
        ZrTest::Raised([] { ThrowError(CErrorCode(0xE601000D), File, 488, Function); });
    const std::wstring dump = error.GetDump();
    EXPECT_EQ(L"Code: 0xE601000D\r\nDescription: " + GetErrorMessage(0xE601000D) + L"\r\nFile: " +
                  File + L"\r\nFunction: " + Function + L"\r\nLine: 488\r\n",
              dump);
    // Rebuilt each time, never listing itself; ToString is the same text.
    EXPECT_EQ(dump, error.GetDump());
    EXPECT_EQ(dump, error.ToString());

    // After GetDebugInfo its whole value, NULs included, is a line of the dump.
    error.GetDebugInfo();
    const std::wstring debugInfo =
        std::wstring(L"File\0", 5) + File + std::wstring(L"\0Line\0", 6) + L"488" +
        std::wstring(L"\0Function\0", 10) + Function + std::wstring(L"\0", 1);
    const std::wstring expected = L"Code: 0xE601000D\r\nDebugInfo: " + debugInfo +
                                  L"\r\nDescription: " + GetErrorMessage(0xE601000D) +
                                  L"\r\nFile: " + File + L"\r\nFunction: " + Function +
                                  L"\r\nLine: 488\r\n";
    const wchar_t* withInfo = error.GetDump();
    EXPECT_EQ(expected, Span(withInfo, expected.size()));
    // Read as a plain string it ends inside that line.
    EXPECT_EQ(L"Code: 0xE601000D\r\nDebugInfo: File", std::wstring(withInfo));

    // A copy carries what was cached.
    const CZrError copy(error);
    EXPECT_EQ(expected, Span(copy.GetDump(), expected.size()));
}

TEST(ZrError, InsertFillsTheDescription)
{
    const CZrError error = ZrTest::Raised(
        [] { ThrowError(CErrorCode(0xE6010032), File, 523, Function, L"ZrOpenSession"); });
    EXPECT_EQ(0xE6010032u, error.GetCode());
    const bool english = GetProductLanguage() == MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    EXPECT_STREQ(english ? L"The function ZrOpenSession is missing from the service library."
                         : L"\u0424\u0443\u043D\u043A\u0446\u0438\u044F ZrOpenSession "
                           L"\u043E\u0442\u0441\u0443\u0442\u0441\u0442\u0432\u0443\u0435\u0442 "
                           L"\u0432 \u0431\u0438\u0431\u043B\u0438\u043E\u0442\u0435\u043A\u0435 "
                           L"\u0441\u043B\u0443\u0436\u0431\u044B.",
                 error.GetDescription());
    // The insert is no property of its own.
    EXPECT_EQ(std::wstring::npos, std::wstring(error.GetDump()).find(L"Insert"));

    // Every insert a message may name is filled: the first with the text, all others empty.
    const CZrError many =
        ZrTest::Raised([] { ThrowError(CErrorCode(0xE60100F0), nullptr, 0, nullptr, L"first"); });
    EXPECT_STREQ(L"Inserts: [first] [] [] [] [].", many.GetDescription());
}

TEST(ZrError, ToStringHonoursAnOverriddenDump)
{
    class CCustomError : public CZrError
    {
    public:
        CCustomError() : CZrError(CErrorCode(6), nullptr, 0, nullptr) {}
        const wchar_t* GetDump() const override { return L"custom"; }
    };
    const CCustomError error;
    const IZrErrorW& asInterface = error;
    EXPECT_STREQ(L"custom", asInterface.ToString());
}

TEST(NarrowToWide, ReadsCodePage1251)
{
    EXPECT_EQ(L"", CNarrowToWide(nullptr));
    EXPECT_EQ(L"", CNarrowToWide(""));
    EXPECT_EQ(L"ZrSessionGetInfo", CNarrowToWide("ZrSessionGetInfo"));
    EXPECT_EQ(L"\u0410\u044F", CNarrowToWide("\xC0\xFF"));
}
