#include "Files.h"
#include "Processes.h"
#include "Registry.h"
#include "RegistryKey.h"
#include "StandIns.h"
#include "ZrErrorMessage.h"

#include <gtest/gtest.h>

#include <cstdarg>
#include <map>
#include <sstream>

using namespace ZrBase;

namespace
{

const wchar_t EnglishLibraryMissing[] = L"The service library ZrSrvApi.dll cannot be loaded.";
const wchar_t RussianLibraryMissing[] =
    L"\u041D\u0435 \u0443\u0434\u0430\u0451\u0442\u0441\u044F \u0437\u0430\u0433\u0440\u0443\u0437"
    L"\u0438\u0442\u044C \u0431\u0438\u0431\u043B\u0438\u043E\u0442\u0435\u043A\u0443 \u0441\u043B"
    L"\u0443\u0436\u0431\u044B ZrSrvApi.dll.";

// The test message table, mapped for the life of the test.
class CTestMessages
{
public:
    CTestMessages()
        : m_hModule(LoadLibraryExW(L"TestMessages.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE))
    {
    }
    HMODULE Get() const { return m_hModule.Get(); }

    std::wstring Text(DWORD id) const { return FormatErrorMessage(id, Get(), nullptr); }
    std::wstring TextWith(DWORD id, ...) const
    {
        va_list args;
        va_start(args, id);
        std::wstring text = FormatErrorMessage(id, Get(), &args);
        va_end(args);
        return text;
    }

private:
    TUniqueResource<HMODULE, &FreeLibrary> m_hModule;
};

// Runs the message probe in a fresh process and returns its "key=value" lines.
std::map<std::string, std::wstring> Probe(const std::wstring& arguments)
{
    const ZrTest::CProcessResult run = ZrTest::RunProcess(
        ZrTest::ModuleDirectory() + L"\\MessageProbe.exe", arguments, L"", ZrTest::CEnvironment());
    EXPECT_EQ(0u, run.StartError);
    EXPECT_EQ(0u, run.ExitCode);
    std::map<std::string, std::wstring> values;
    std::istringstream lines(run.Output);
    std::string line;
    while (std::getline(lines, line))
    {
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = line.substr(0, equals);
        // A second language line (--reread) is kept under its own key.
        if (values.count(key))
            key += "#2";
        values[key] = ZrTest::FromUtf8(line.substr(equals + 1));
    }
    return values;
}

} // namespace

TEST(MessageLibrary, ChoosesLibraryByCode)
{
    const struct
    {
        DWORD Code;
        const wchar_t* Library;
    } cases[] = {
        // suite codes and anything with bits 25 and 26 set
        {0xE601000D, L"ZrError.dll"},
        {0x06000000, L"ZrError.dll"},
        {0x04000000, nullptr},
        {0x02000000, nullptr},
        // directory service codes, both forms
        {0x00005000, L"ActiveDS.dll"},
        {0x00005FFF, L"ActiveDS.dll"},
        {0x80005000, L"ActiveDS.dll"},
        {0x80005FFF, L"ActiveDS.dll"},
        {0x80006000, nullptr},
        {0x80004FFF, nullptr},
        {0x40005000, nullptr},
        // one NT status facility
        {0xC0020000, L"NtDll.dll"},
        {0xC0020005, L"NtDll.dll"},
        {0xC002FFFF, L"NtDll.dll"},
        {0xC0030000, nullptr},
        {0xC0010000, nullptr},
        // the three management ranges, bounds included
        {0x80041001, L"wbem\\wmiutils.dll"},
        {0x80041099, L"wbem\\wmiutils.dll"},
        {0x80042001, L"wbem\\wmiutils.dll"},
        {0x80042003, L"wbem\\wmiutils.dll"},
        {0x80044001, L"wbem\\wmiutils.dll"},
        {0x80044031, L"wbem\\wmiutils.dll"},
        {0x80041000, nullptr},
        {0x8004109A, nullptr},
        {0x80042000, nullptr},
        {0x80042004, nullptr},
        {0x80044000, nullptr},
        {0x80044032, nullptr},
        // plain Win32 codes use the system table
        {5, nullptr},
        {0, nullptr},
    };
    for (const auto& c : cases)
    {
        const wchar_t* chosen = CMessageLibrary::LibraryForCode(c.Code);
        if (c.Library)
            EXPECT_STREQ(c.Library, chosen) << std::hex << c.Code;
        else
            EXPECT_EQ(nullptr, chosen) << std::hex << c.Code << " chose " << chosen;
    }

    // The holder maps the chosen library, found beside the program, and nothing for the system
    // table.
    EXPECT_NE(nullptr, CMessageLibrary(0xE601000D).GetHandle());
    EXPECT_EQ(nullptr, CMessageLibrary(5).GetHandle());

    // Where the library cannot be found, the system table is asked, which has no text for the
    // suite's codes.
    const ZrTest::CTemporaryDirectory alone;
    alone.Copy(ZrTest::ModuleDirectory() + L"\\MessageProbe.exe", L"MessageProbe.exe");
    const ZrTest::CProcessResult run = ZrTest::RunProcess(
        alone.File(L"MessageProbe.exe"), L"E601000D", alone.Path(), ZrTest::CEnvironment());
    EXPECT_NE(std::string::npos, run.Output.find("0xE601000D=0xE601000D (-436142067)\n"))
        << run.Output;
}

TEST(MessageText, TrimsLineBreakAndMarkers)
{
    const CTestMessages messages;
    ASSERT_NE(nullptr, messages.Get());

    // The closing line break goes; an inner one stays; a text without one comes back whole.
    EXPECT_EQ(L"Single line text", messages.Text(1));
    EXPECT_EQ(L"First line\r\nSecond line", messages.Text(2));
    EXPECT_EQ(L"No line break", messages.Text(3));
    // Unformatted markers: with a following blank, before a full stop, two digits, "%%" + blank.
    EXPECT_EQ(L"Before after.", messages.Text(4));
    EXPECT_EQ(L"Value .", messages.Text(5));
    EXPECT_EQ(L"Count 2 items", messages.Text(6));
    EXPECT_EQ(L"Rate 50done", messages.Text(7));
    // A '%' that an insert brings in goes by the same rule, alone when it ends the text.
    EXPECT_EQ(L"Before xafter.", messages.TextWith(4, L"x%y"));
    EXPECT_EQ(L"Insert: 50", messages.TextWith(8, L"50%"));
    EXPECT_EQ(L"Insert: plain", messages.TextWith(8, L"plain"));
}

TEST(MessageText, InsertMarkerLength)
{
    // Fewer characters than the limit: all of them.
    EXPECT_EQ(1u, InsertMarkerLength(L"%", 3));
    EXPECT_EQ(2u, InsertMarkerLength(L"%1", 3));
    // The limit when its last character is a blank, one less otherwise.
    EXPECT_EQ(3u, InsertMarkerLength(L"%1 x", 3));
    EXPECT_EQ(3u, InsertMarkerLength(L"%% ", 3));
    EXPECT_EQ(2u, InsertMarkerLength(L"%1.", 3));
    EXPECT_EQ(2u, InsertMarkerLength(L"%12", 3));
    EXPECT_EQ(1u, InsertMarkerLength(L" x", 1));
    EXPECT_EQ(0u, InsertMarkerLength(L"%1 ", 0));

    wchar_t text[] = L"%a%b% %";
    CleanMessageText(text);
    EXPECT_STREQ(L"", text);
    wchar_t lines[] = L"one\rtwo\r\nthree";
    CleanMessageText(lines);
    EXPECT_STREQ(L"one\rtwo", lines);
}

TEST(MessageText, FallsBackToTheCode)
{
    EXPECT_EQ(L"0x00000005 (5)", FormatErrorCode(5));
    EXPECT_EQ(L"0xE6010032 (-436142030)", FormatErrorCode(0xE6010032));
    EXPECT_EQ(L"0xFFFFFFFF (-1)", FormatErrorCode(0xFFFFFFFF));

    // A code of the suite's library that it has no text for; no system table fallback.
    EXPECT_EQ(L"0xE6010099 (-436141927)", GetErrorMessage(0xE6010099));
    // A code no table knows.
    EXPECT_EQ(L"0x2000FFFF (536936447)", GetErrorMessage(0x2000FFFF));
    // One source only: a loaded library without the message never passes the code on to the
    // system table, even for a code the system has a text for.
    const CTestMessages messages;
    ASSERT_NE(nullptr, messages.Get());
    ASSERT_NE(L"0x0000000D (13)", GetErrorMessage(ERROR_INVALID_DATA));
    EXPECT_EQ(L"0x0000000D (13)", messages.Text(ERROR_INVALID_DATA));
    // A system code with a text: that text, cleaned.
    const std::wstring denied = GetErrorMessage(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(denied.empty());
    EXPECT_NE(L"0x00000005 (5)", denied);
    EXPECT_EQ(std::wstring::npos, denied.find_first_of(L"\r\n%"));

    // 0xFFFFFFFF stands for the last error, which then picks the library and the fallback.
    SetLastError(0x2000FFFF);
    EXPECT_EQ(L"0x2000FFFF (536936447)", GetErrorMessage(0xFFFFFFFF));
    SetLastError(0xE6010099);
    EXPECT_EQ(L"0xE6010099 (-436141927)", GetErrorMessage(0xFFFFFFFF));
    SetLastError(0xE601000D);
    EXPECT_EQ(GetErrorMessage(0xE601000D), GetErrorMessage(0xFFFFFFFF));
    SetLastError(0xE601000D);
    EXPECT_EQ(GetErrorMessage(0xE601000D), GetErrorMessageEx(0xFFFFFFFF, L"unused"));

    EXPECT_EQ(L"488", ULongToString(488, 10));
    EXPECT_EQ(L"ffffffff", ULongToString(0xFFFFFFFF, 16));
    EXPECT_EQ(L"", ULongToString(488, 1));
}

TEST(ProductLanguage, ReadsOnlyFiveCharacterNames)
{
    ZrTest::CScopedRegistryValue locale(ZrTest::ProductLocale);
    wchar_t name[8];
    DWORD count = 8;

    auto read = [&]() {
        wmemset(name, L'#', 8);
        count = 8;
        return ReadProductLocale(name, &count);
    };

    // A five-character name and its terminator, plain or expandable (not expanded).
    locale.SetString(L"en-US");
    EXPECT_EQ(ERROR_SUCCESS, read());
    EXPECT_STREQ(L"en-US", name);
    EXPECT_EQ(6u, count);
    EXPECT_EQ(L'#', name[6]);
    locale.SetString(L"%ru%R", REG_EXPAND_SZ);
    EXPECT_EQ(ERROR_SUCCESS, read());
    EXPECT_STREQ(L"%ru%R", name);

    // Wrong types and sizes; nothing is stored and the count is left alone.
    const struct
    {
        DWORD Type;
        std::wstring Data;
        DWORD Bytes;
        LONG Result;
    } rejected[] = {
        {REG_DWORD, L"xx", 4, ERROR_INVALID_DATA},
        {REG_MULTI_SZ, std::wstring(L"en-US\0", 6), 12, ERROR_INVALID_DATA},
        {REG_BINARY, std::wstring(L"en-US\0", 6), 12, ERROR_INVALID_DATA},
        {REG_SZ, std::wstring(L"en\0", 3), 6, ERROR_INVALID_DATA},
        {REG_SZ, L"de-CH-1901", 22, ERROR_INVALID_DATA},
        {REG_SZ, L"en-US", 10, ERROR_INVALID_DATA},  // no terminator
        {REG_SZ, L"en-USX", 12, ERROR_INVALID_DATA}, // twelve bytes, no terminator
        {REG_SZ, std::wstring(L"en-US\0A", 7), 13, ERROR_INVALID_DATA}, // and a stray byte
        {REG_SZ, L"", 0, ERROR_INVALID_DATA},
        {REG_SZ, L"abcdefghijklmnopq", 34, ERROR_MORE_DATA}, // beyond the 16-character read
    };
    for (const auto& r : rejected)
    {
        locale.Set(r.Type, r.Data.data(), r.Bytes);
        EXPECT_EQ(r.Result, read()) << ZrTest::ToUtf8(r.Data) << " type " << r.Type;
        EXPECT_EQ(8u, count);
        EXPECT_EQ(L'#', name[0]);
    }

    // Missing value, missing key.
    locale.Remove();
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, read());

    // The caller's buffer.
    locale.SetString(L"ru-RU");
    EXPECT_EQ(ERROR_INVALID_PARAMETER, ReadProductLocale(nullptr, &count));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, ReadProductLocale(name, nullptr));
    count = 5;
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, ReadProductLocale(name, &count));
    EXPECT_EQ(6u, count);
    count = 6;
    EXPECT_EQ(ERROR_SUCCESS, ReadProductLocale(name, &count));
    EXPECT_STREQ(L"ru-RU", name);
}

TEST(ProductLanguage, ChoosesTextLanguageOncePerProcess)
{
    ZrTest::CScopedRegistryValue locale(ZrTest::ProductLocale);
    const std::string code = "0xE601000D";

    const struct
    {
        const wchar_t* Locale; // null: no value
        const wchar_t* Language;
        const wchar_t* Text;
    } cases[] = {
        {nullptr, L"0x0419", RussianLibraryMissing},  // no value: Russian
        {L"en-US", L"0x0409", EnglishLibraryMissing}, // the named language, from our library
        {L"ru-RU", L"0x0419", RussianLibraryMissing},
        // A language the library lacks: the platform's own search order (English here).
        {L"de-DE", L"0x0407", EnglishLibraryMissing},
    };
    for (const auto& c : cases)
    {
        if (c.Locale)
            locale.SetString(c.Locale);
        else
            locale.Remove();
        auto probe = Probe(L"E601000D");
        EXPECT_EQ(c.Language, probe["language"]) << (c.Locale ? ZrTest::ToUtf8(c.Locale) : "none");
        EXPECT_EQ(c.Text, probe[code]);
    }

    // Unreadable or unknown: Russian.
    locale.SetDword(0x409);
    EXPECT_EQ(L"0x0419", Probe(L"")["language"]);
    locale.SetString(L"xx-YY");
    EXPECT_EQ(L"0x0419", Probe(L"")["language"]);
    locale.SetString(L"en-US", REG_EXPAND_SZ);
    EXPECT_EQ(L"0x0409", Probe(L"")["language"]);

    // Read from the 64-bit view only, whatever the process's own view: the 32-bit one
    // (WOW6432Node) is never consulted.
    {
        ZrTest::CScopedRegistryValue view32(ZrTest::InOtherView(ZrTest::ProductLocale));
        locale.Remove();
        view32.SetString(L"en-US");
        EXPECT_EQ(L"0x0419", Probe(L"")["language"]);
        locale.SetString(L"de-DE");
        EXPECT_EQ(L"0x0407", Probe(L"")["language"]);
    }

    // Read once: a change while the process runs is not seen.
    locale.SetString(L"en-US");
    auto probe = Probe(L"--reread ru-RU E601000D");
    EXPECT_EQ(L"0x0409", probe["language"]);
    EXPECT_EQ(L"0x0409", probe["language#2"]);
    EXPECT_EQ(EnglishLibraryMissing, probe[code]);
}

TEST(ProductLanguage, BindsAdvapi32OncePerProcess)
{
    // However many reads, one reference, taken on the first and kept.
    for (const wchar_t* reads : {L"1", L"50"})
    {
        const ZrTest::CProcessResult run = ZrTest::RunProcess(
            ZrTest::ModuleDirectory() + L"\\Advapi32Probe.exe", reads, L"", ZrTest::CEnvironment());
        EXPECT_EQ(0u, run.StartError);
        EXPECT_EQ("before=0 after=1 references=1\r\n", run.Output) << ZrTest::ToUtf8(reads);
    }
}
