// An open registry key, closed on every way out.
//
// The registry functions are bound from Advapi32.dll on first use, once per process; when one
// is missing, the call answers ERROR_PROC_NOT_FOUND without calling anything.
#pragma once

#include "ZrBase.h"

namespace ZrBase
{

class CRegistryKey
{
public:
    CRegistryKey() : m_hKey(nullptr) {}
    ~CRegistryKey() { Close(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Closes a key already held, then opens `subKey` under `root`. Returns a Win32 code.
    LONG Open(HKEY root, const wchar_t* subKey, DWORD options, REGSAM access);

    // Reads a REG_SZ or REG_EXPAND_SZ value (not expanded). `count` is the capacity of `buffer`
    // in characters on entry and the characters read on success (the stored byte size halved,
    // terminator included when one was stored); 0 on any failure. ERROR_INVALID_DATA for a
    // value of another type.
    LONG QueryStringValue(const wchar_t* valueName, wchar_t* buffer, DWORD* count);

    void Close();

private:
    HKEY m_hKey;
};

namespace Detail
{

// A call through a late-bound entry point.
template <class Function, class... Args>
LONG CallBound(Function function, Args... args)
{
    return function ? function(args...) : ERROR_PROC_NOT_FOUND;
}

} // namespace Detail

} // namespace ZrBase
