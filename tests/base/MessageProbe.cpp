// Reports, from a fresh process, the product language and the message texts of codes:
//   MessageProbe [--reread <locale>] <code>...
// prints "language=0x%04X" and then "<code>=<text>" per code (hexadecimal codes, UTF-8 text).
// With --reread it stores <locale> as the product locale after the first language read and
// prints the language a second time.
#include "Files.h"
#include "Registry.h"
#include "ZrErrorMessage.h"

#include <cstdio>
#include <cwchar>

namespace
{

void Print(const std::string& line)
{
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()),
              &written, nullptr);
}

void PrintLanguage()
{
    char line[32];
    snprintf(line, sizeof(line), "language=0x%04lX",
             static_cast<unsigned long>(ZrBase::GetProductLanguage()));
    Print(line);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    int next = 1;
    const wchar_t* reread = nullptr;
    if (argc > 2 && wcscmp(argv[1], L"--reread") == 0)
    {
        reread = argv[2];
        next = 3;
    }

    PrintLanguage();
    if (reread)
    {
        // Left in place: the test that started us restores the value it found.
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, ZrTest::ProductLocale.Key, 0, nullptr, 0,
                            KEY_SET_VALUE | ZrTest::ProductLocale.View, nullptr, &key,
                            nullptr) != 0)
            return 2;
        RegSetValueExW(key, ZrTest::ProductLocale.Value, 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(reread),
                       static_cast<DWORD>((wcslen(reread) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        PrintLanguage();
    }

    for (int i = next; i < argc; ++i)
    {
        const DWORD code = wcstoul(argv[i], nullptr, 16);
        char prefix[32];
        snprintf(prefix, sizeof(prefix), "0x%08lX=", static_cast<unsigned long>(code));
        Print(prefix + ZrTest::ToUtf8(ZrBase::GetErrorMessage(code)));
    }
    return 0;
}
