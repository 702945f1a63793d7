// "ProductLocale" against generated values, read as the message lookup reads it.
#include "RegistryFuzz.h"
#include "ZrErrorMessage.h"

#include <cwchar>

using namespace ZrTest;

TEST(RegistryFuzz, ProductLocale)
{
    const std::vector<std::wstring> likely = {
        L"en-US", L"ru-RU", L"de-DE", L"xx-YY", L"%en%U", L"ru", L"en-US-x", L"ru-RU\u0410", L""};
    ForEachValue(ProductLocale, 100000, likely, [&](int, const CValue& value) {
        wchar_t name[8];
        wmemset(name, L'#', 8);
        DWORD count = 8;
        const LONG result = ZrBase::ReadProductLocale(name, &count);
        // A name is read exactly from a string of twelve bytes that ends in a terminator, and
        // handed on as stored; anything else leaves the caller's buffer and count alone.
        const std::vector<BYTE>& data = value.Data;
        const bool name12 = (value.Type == REG_SZ || value.Type == REG_EXPAND_SZ) &&
                            data.size() == 12 && data[10] == 0 && data[11] == 0;
        EXPECT_EQ(name12, result == ERROR_SUCCESS) << result;
        if (result == ERROR_SUCCESS)
        {
            EXPECT_EQ(0, memcmp(name, data.data(), 12));
            EXPECT_EQ(6u, count);
            EXPECT_EQ(L'#', name[6]);
        }
        else
        {
            EXPECT_EQ(8u, count);
            EXPECT_EQ(L'#', name[0]);
        }
    });
}
