// The one place that brings in the Windows headers for the base library and its users.
#pragma once

#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

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

} // namespace ZrBase
