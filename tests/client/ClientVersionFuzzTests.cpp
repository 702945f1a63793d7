// "ClientVersion" against generated values, read as the client reads it.
#include "RegistryFuzz.h"
#include "ZrSrvClass.h"

#include <cstring>
#include <cwchar>

using namespace ZrTest;

TEST(RegistryFuzz, ClientVersion)
{
    const std::vector<std::wstring> likely = {
        L"8.3.1406",    L"9.0", L"10", L"-1", L"65536.1",
        L"99999999999", L" 7",  L"+5", L"0",  L"1.2.3.4.5.6.7.8"};
    ForEachValue(ClientVersion, 0, likely, [&](int, const CValue& value) {
        const WORD major = CZrSrv::ReadClientMajorVersion();
        // More than the 32 bytes read: no version.
        if (value.Data.size() > 32)
        {
            EXPECT_EQ(8, major);
            return;
        }
        // The C runtime's own reading of the text read (16 characters at most), where it has
        // one answer: a number of at most nine digits, which any "%d" reads alike.
        wchar_t text[17] = {};
        memcpy(text, value.Data.data(), value.Data.size());
        wchar_t* end = nullptr;
        const long number = wcstol(text, &end, 10);
        if (end == text)
        {
            EXPECT_EQ(8, major);
            return;
        }
        const wchar_t* digits = end;
        while (digits > text && digits[-1] >= L'0' && digits[-1] <= L'9')
            --digits;
        if (end - digits <= 9)
        {
            EXPECT_EQ(static_cast<WORD>(number), major);
        }
    });
}
