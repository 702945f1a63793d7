// The real tool against generated registry values: whatever "ClientVersion" and "ProductLocale"
// hold, it never crashes, prints one of its two lines and exits as that line says.
#include "ToolRunner.h"

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

// The version block the tool must present for a stored value: the leading number (after
// blanks, with an optional sign) of what a 32-byte read returns, the text ending at a NUL or
// after 16 characters, modulo 2^16; 8 when there is none or the value does not fit.
std::string ExpectedBlock(const CValue& value)
{
    long long major = 8;
    if (value.Data.size() <= 32)
    {
        wchar_t text[17] = {};
        memcpy(text, value.Data.data(), value.Data.size());
        const std::wstring read(text);
        const size_t start = read.find_first_not_of(L" \t\n\v\f\r");
        size_t digits = start == std::wstring::npos ? read.size() : start;
        if (digits < read.size() && (read[digits] == L'-' || read[digits] == L'+'))
            ++digits;
        const size_t end = read.find_first_not_of(L"0123456789", digits);
        const std::wstring number = read.substr(digits, end - digits);
        if (!number.empty())
        {
            long long low = 0;
            for (wchar_t digit : number)
                low = (low * 10 + (digit - L'0')) % 65536;
            const bool negative = digits > start && read[digits - 1] == L'-';
            major = negative ? (65536 - low) % 65536 : low;
        }
    }
    return major == 8 ? "8.3.1406.0.0" : std::to_string(major) + ".0.0.0.0";
}

// Stores `Cases` generated values in turn under the given registry value, restored afterwards,
// and checks a run of the tool against each. Replays the seeds of ZR_FUZZ_SEED + `stream`.
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
    const CToolFolder tool(L"full");
    const std::vector<std::wstring> likely = {
        L"8.3.1406",    L"9.0", L"10", L"-1", L"65536.1",
        L"99999999999", L" 7",  L"+5", L"0",  L"1.2.3.4.5.6.7.8"};
    ForEachValue(ClientVersion, 0, likely, [&](int, const CValue& value) {
        const CToolRun run = tool.Run({{L"ZRSRVAPI_LEVEL", L"3"}});
        ASSERT_EQ(SuccessLine("3"), run.Output);
        ASSERT_EQ(3u, run.ExitCode);
        ASSERT_FALSE(run.Trace.empty());
        EXPECT_EQ(ExpectedBlock(value), TraceField(run.Trace[0], "client"));
        EXPECT_EQ(ExpectedBlock(value), TraceField(run.Trace[0], "kernel"));
    });
}

TEST(RegistryFuzz, ProductLocale)
{
    // Only failures look message texts up, in the product language: make every run fail, by
    // turns with and without the service library.
    const CToolFolder withLibrary(L"full");
    const CToolFolder withoutLibrary(nullptr);
    const std::vector<std::wstring> likely = {
        L"en-US", L"ru-RU", L"de-DE", L"xx-YY", L"%en%U", L"ru", L"en-US-x", L"ru-RU\u0410", L""};
    ForEachValue(ProductLocale, 100000, likely, [&](int i, const CValue&) {
        const bool library = i % 2 == 0;
        const CToolRun run = library ? withLibrary.Run({{L"ZRSRVAPI_OPEN_STATUS", L"0xE6010123"}})
                                     : withoutLibrary.Run({});
        ASSERT_EQ(FailureLine(library ? "0xE6010123" : "0xE601000D"), run.Output);
        ASSERT_EQ(0u, run.ExitCode);
    });
}
