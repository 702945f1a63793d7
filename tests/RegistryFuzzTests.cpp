// The registry readers against generated values: whatever "ClientVersion" and "ProductLocale"
// hold, they never read past their buffers, and what they make of a value agrees with a reading
// of the stored bytes made another way.
#include "TestSupport.h"
#include "ZrErrorMessage.h"
#include "ZrSrvClass.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

using namespace ZrTest;

namespace
{

const int Cases = 200;

// Seeds come from ZR_FUZZ_SEED when set, so that a failure can be replayed.
unsigned BaseSeed()
{
    const char* text = getenv("ZR_FUZZ_SEED");
    return text ? static_cast<unsigned>(strtoul(text, nullptr, 0)) : 20261208u;
}

struct CValue
{
    DWORD Type;
    std::vector<BYTE> Data;

    std::string Describe() const
    {
        std::string text =
            "type " + std::to_string(Type) + ", " + std::to_string(Data.size()) + " bytes:";
        for (BYTE b : Data)
        {
            char hex[4];
            snprintf(hex, sizeof(hex), " %02X", b);
            text += hex;
        }
        return text;
    }
};

// Text-like values most of the time, raw bytes sometimes; every type the registry reader may
// meet, byte sizes from 0 to 64 (odd ones too), with and without a terminator.
CValue Generate(std::mt19937& random, const std::vector<std::wstring>& likely)
{
    static const DWORD types[] = {REG_SZ,    REG_SZ,     REG_EXPAND_SZ,
                                  REG_DWORD, REG_BINARY, REG_MULTI_SZ};
    static const wchar_t alphabet[] = L"0123456789..--+  abcxyzRU\t\u0410\u00E9\uFFFF%";
    auto pick = [&](size_t count) {
        return std::uniform_int_distribution<size_t>(0, count - 1)(random);
    };

    CValue value;
    value.Type = types[pick(sizeof(types) / sizeof(types[0]))];
    const size_t size = pick(65);
    std::wstring text;
    switch (pick(4))
    {
    case 0: // raw bytes
        for (size_t i = 0; i < size; ++i)
            value.Data.push_back(static_cast<BYTE>(pick(256)));
        return value;
    case 1: // a likely value, cut or padded to the size
        text = likely[pick(likely.size())];
        break;
    default: // random characters
        for (size_t i = 0; i < size / 2 + 1; ++i)
            text += alphabet[pick(sizeof(alphabet) / sizeof(wchar_t) - 1)];
        break;
    }
    if (pick(2))
        text += L'\0';
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.data());
    value.Data.assign(bytes, bytes + text.size() * sizeof(wchar_t));
    // Mostly the text's own size, sometimes the random one (cut, or padded with zeros).
    if (pick(3) == 0)
        value.Data.resize(size, 0);
    return value;
}

// Stores `Cases` generated values in turn under the given registry value, restored afterwards,
// and checks each. Replays the seeds of ZR_FUZZ_SEED + `stream`.
template <class Check>
void ForEachValue(const CRegistryValueName& name, unsigned stream,
                  const std::vector<std::wstring>& likely, Check check)
{
    CScopedRegistryValue stored(name);
    const unsigned base = BaseSeed() + stream;
    for (int i = 0; i < Cases && !testing::Test::HasFatalFailure(); ++i)
    {
        const unsigned seed = base + static_cast<unsigned>(i);
        std::mt19937 random(seed);
        const CValue value = Generate(random, likely);
        SCOPED_TRACE("seed " + std::to_string(seed) + " (set ZR_FUZZ_SEED to replay), " +
                     value.Describe());
        stored.Set(value.Type, value.Data.data(), static_cast<DWORD>(value.Data.size()));
        check(i, value);
    }
}

} // namespace

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
            EXPECT_EQ(static_cast<WORD>(number), major);
    });
}

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
