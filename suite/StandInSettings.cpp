#include "StandInSettings.h"

// Decimal, or hexadecimal after "0x"; stops at the first character that is neither.
static unsigned long ParseNumber(const wchar_t* text)
{
    unsigned long value = 0;
    if (text[0] == L'0' && (text[1] == L'x' || text[1] == L'X'))
    {
        for (text += 2;; ++text)
        {
            const wchar_t c = *text;
            const int digit = (c >= L'0' && c <= L'9')   ? c - L'0'
                              : (c >= L'a' && c <= L'f') ? c - L'a' + 10
                              : (c >= L'A' && c <= L'F') ? c - L'A' + 10
                                                         : -1;
            if (digit < 0)
                return value;
            value = value * 16 + static_cast<unsigned long>(digit);
        }
    }
    for (; *text >= L'0' && *text <= L'9'; ++text)
        value = value * 10 + static_cast<unsigned long>(*text - L'0');
    return value;
}

bool SettingText(const wchar_t* name, wchar_t* text, DWORD size)
{
    const DWORD length = GetEnvironmentVariableW(name, text, size);
    return length > 0 && length < size;
}

bool SettingIs(const wchar_t* name, const wchar_t* value)
{
    wchar_t text[64];
    return SettingText(name, text, 64) && lstrcmpiW(text, value) == 0;
}

unsigned long Setting(const wchar_t* name, unsigned long fallback)
{
    wchar_t text[64];
    return SettingText(name, text, 64) ? ParseNumber(text) : fallback;
}
