// The one place that brings in the Windows headers for the base library and its users.
#pragma once

// Windows 7 is the oldest system the tool runs on.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#ifndef WINVER
#define WINVER _WIN32_WINNT
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdarg>
#include <cstddef>
#include <cstdio>

namespace ZrBase
{

// A function pointer of no particular type. GetProcAddress results go through it so that the
// typed cast is a plain conversion between function pointer types, which compilers accept
// without warning.
typedef void (*PGenericProc)();

inline PGenericProc FindExport(HMODULE module, const char* name)
{
    return reinterpret_cast<PGenericProc>(GetProcAddress(module, name));
}

// Formats into a fixed buffer with the C runtime's formatter, cutting what does not fit; the
// text always ends in a terminator.
inline void FormatInto(wchar_t* buffer, size_t size, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    _vsnwprintf(buffer, size, format, args);
    va_end(args);
    buffer[size - 1] = L'\0';
}

} // namespace ZrBase
