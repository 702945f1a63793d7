// The stand-in's settings: environment variables, read at every call (StandIns.txt lists them).
#pragma once

#include <windows.h>

// Whether the variable `name` holds `value` (case ignored).
bool SettingIs(const wchar_t* name, const wchar_t* value);

// The number in `name` (decimal, or hexadecimal after "0x"); `fallback` when it is not set.
unsigned long Setting(const wchar_t* name, unsigned long fallback);

// The text in `name`, when it is set and fits `size` characters with its terminator.
bool SettingText(const wchar_t* name, wchar_t* text, DWORD size);
