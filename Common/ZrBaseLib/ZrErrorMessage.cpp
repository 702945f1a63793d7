#include "ZrErrorMessage.h"

#include "RegistryKey.h"
#include "UniqueResource.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace ZrBase
{

namespace
{

const wchar_t ProductLocaleKey[] = L"SOFTWARE\\Orvenal\\Tessarin Studio";
const wchar_t ProductLocaleValue[] = L"ProductLocale";
const LCID DefaultProductLanguage = 0x419;
// A five-character locale name such as ru-RU and its terminator.
const DWORD ProductLocaleLength = 6;

const DWORD LastErrorCode = 0xFFFFFFFF;
const size_t MarkerLimit = 3;

// A text that FormatMessageW allocated.
typedef TUniqueResource<wchar_t*, &LocalFree> CLocalText;

DWORD Format(DWORD flags, HMODULE module, DWORD code, DWORD language, CLocalText& text,
             va_list* args)
{
    if (!args)
        return FormatMessageW(flags, module, code, language,
                              reinterpret_cast<LPWSTR>(text.Receive()), 0, nullptr);
    // Each attempt formats from the start of the caller's list.
    va_list copy;
    va_copy(copy, *args);
    const DWORD length = FormatMessageW(flags, module, code, language,
                                        reinterpret_cast<LPWSTR>(text.Receive()), 0, &copy);
    va_end(copy);
    return length;
}

LCID DetermineProductLanguage()
{
    wchar_t name[8] = {};
    DWORD count = 8;
    LCID language = 0;
    if (ReadProductLocale(name, &count) == ERROR_SUCCESS)
        language = LocaleNameToLCID(name, 0);
    return language ? language : DefaultProductLanguage;
}

} // namespace

std::wstring GetErrorMessage(DWORD code)
{
    if (code == LastErrorCode)
        code = GetLastError();
    const CMessageLibrary library(code);
    return FormatErrorMessage(code, library.GetHandle(), nullptr);
}

std::wstring GetErrorMessageEx(DWORD code, ...)
{
    va_list args;
    va_start(args, code);
    if (code == LastErrorCode)
        code = GetLastError();
    std::wstring text;
    try
    {
        const CMessageLibrary library(code);
        text = FormatErrorMessage(code, library.GetHandle(), &args);
    }
    catch (...)
    {
        va_end(args);
        throw;
    }
    va_end(args);
    return text;
}

std::wstring FormatErrorMessage(DWORD code, HMODULE module, va_list* args)
{
    // One source only: a code whose library was loaded never falls back to the system table.
    DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER |
                  (module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM);
    if (!args)
        flags |= FORMAT_MESSAGE_IGNORE_INSERTS;

    CLocalText text;
    DWORD length = Format(flags, module, code, GetProductLanguage(), text, args);
    if (!length)
        length = Format(flags, module, code, 0, text, args);
    if (!length || !text.Get())
        return FormatErrorCode(code);

    CleanMessageText(text.Get());
    return std::wstring(text.Get());
}

std::wstring FormatErrorCode(DWORD code)
{
    wchar_t text[64];
    FormatInto(text, 64, L"0x%08X (%d)", static_cast<unsigned>(code), static_cast<int>(code));
    return text;
}

std::wstring ULongToString(unsigned long value, int radix)
{
    if (radix < 2 || radix > 36)
        return std::wstring();
    wchar_t text[64] = {};
    _ultow(value, text, radix);
    return text;
}

size_t InsertMarkerLength(const wchar_t* position, size_t limit)
{
    if (limit == 0)
        return 0;
    size_t present = 0;
    while (present < limit && position[present] != L'\0')
        ++present;
    if (present < limit)
        return present;
    return position[limit - 1] == L' ' ? limit : limit - 1;
}

void CleanMessageText(wchar_t* text)
{
    // The line break that closes a message, and whatever follows the last carriage return.
    if (wchar_t* lastReturn = wcsrchr(text, L'\r'))
        *lastReturn = L'\0';

    // Insert markers left unformatted, and any '%' an insert brought in, go with their
    // neighbours. Nothing before the first '%' changes, so each search starts there.
    for (wchar_t* marker = wcschr(text, L'%'); marker; marker = wcschr(marker, L'%'))
    {
        const size_t length = InsertMarkerLength(marker, MarkerLimit);
        memmove(marker, marker + length, (wcslen(marker + length) + 1) * sizeof(wchar_t));
    }
}

LCID GetProductLanguage()
{
    // Determined once per process; a failed read is not retried.
    static const LCID language = DetermineProductLanguage();
    return language;
}

LONG ReadProductLocale(HKEY root, wchar_t* buffer, DWORD* count)
{
    if (!buffer || !count)
        return ERROR_INVALID_PARAMETER;

    CRegistryKey key;
    LONG result = key.Open(root, ProductLocaleKey, 0, KEY_READ | KEY_WOW64_64KEY);
    if (result != ERROR_SUCCESS)
        return result;

    wchar_t name[16] = {};
    DWORD length = 16;
    result = key.QueryStringValue(ProductLocaleValue, name, &length);
    if (result != ERROR_SUCCESS)
        return result;
    // Twelve bytes that do not end in a terminator are no locale name either.
    if (length != ProductLocaleLength || name[ProductLocaleLength - 1] != L'\0')
        return ERROR_INVALID_DATA;
    if (*count < ProductLocaleLength)
    {
        *count = ProductLocaleLength;
        return ERROR_INSUFFICIENT_BUFFER;
    }
    *count = ProductLocaleLength;
    wcscpy_s(buffer, ProductLocaleLength, name);
    return ERROR_SUCCESS;
}

LONG ReadProductLocale(wchar_t* buffer, DWORD* count)
{
    return ReadProductLocale(HKEY_LOCAL_MACHINE, buffer, count);
}

const wchar_t* CMessageLibrary::LibraryForCode(DWORD code)
{
    if ((code & 0x06000000) == 0x06000000)
        return L"ZrError.dll";
    const DWORD page = code & 0xFFFFF000;
    if (page == 0x80005000 || page == 0x00005000)
        return L"ActiveDS.dll";
    if ((code & 0xFFFF0000) == 0xC0020000)
        return L"NtDll.dll";
    if ((code >= 0x80041001 && code <= 0x80041099) || (code >= 0x80042001 && code <= 0x80042003) ||
        (code >= 0x80044001 && code <= 0x80044031))
        return L"wbem\\wmiutils.dll";
    return nullptr;
}

CMessageLibrary::CMessageLibrary(DWORD code)
{
    wchar_t name[41] = {};
    if (const wchar_t* chosen = LibraryForCode(code))
    {
        if (!lstrcpynW(name, chosen, 41))
            name[0] = L'\0';
    }
    // The loader's own search, current folder included, may stay here: a library mapped as
    // data runs no code, and its texts reach only an error's description, which the tool
    // never prints.
    if (name[0] != L'\0')
        m_hModule.Reset(LoadLibraryExW(name, nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

} // namespace ZrBase
