#include "Errors.h"

#include <gtest/gtest.h>

namespace ZrTest
{

std::wstring ErrorProperty(const ZrBase::CZrError& error, const std::wstring& key)
{
    const std::wstring dump = L"\r\n" + std::wstring(error.GetDump());
    const std::wstring start = L"\r\n" + key + L": ";
    size_t at = dump.find(start);
    if (at == std::wstring::npos)
        return L"(missing)";
    at += start.size();
    return dump.substr(at, dump.find(L"\r\n", at) - at);
}

ZrBase::CZrError Raised(const std::function<void()>& call)
{
    try
    {
        call();
    }
    catch (const ZrBase::CZrError& error)
    {
        return error;
    }
    ADD_FAILURE() << "nothing raised";
    return ZrBase::CZrError(ZrBase::CErrorCode(0), nullptr, 0, nullptr);
}

void ExpectPlace(const ZrBase::CZrError& error, unsigned long code, const wchar_t* file,
                 const wchar_t* line, const wchar_t* function)
{
    EXPECT_EQ(code, error.GetCode());
    EXPECT_EQ(file, ErrorProperty(error, L"File"));
    EXPECT_EQ(line, ErrorProperty(error, L"Line"));
    EXPECT_EQ(function, ErrorProperty(error, L"Function"));
}

} // namespace ZrTest
