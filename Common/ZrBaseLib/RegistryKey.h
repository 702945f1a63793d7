// Registry access without a link-time dependency on Advapi32.dll.
//
// CRegistryKey holds an open key and reaches the registry through Advapi32.dll's entry points,
// bound on first use, once per process; when one is missing, its call answers
// ERROR_PROC_NOT_FOUND without calling anything.
#pragma once

#include "ZrBase.h"

namespace ZrBase
{

// The three registry functions of one module.
class CRegistryFunctions
{
public:
    // Looks the entry points up in `module`; a null module leaves them all null.
    explicit CRegistryFunctions(HMODULE module);

    LONG OpenKeyEx(HKEY root, const wchar_t* subKey, DWORD options, REGSAM access,
                   HKEY* result) const;
    LONG QueryValueEx(HKEY key, const wchar_t* valueName, DWORD* type, BYTE* data,
                      DWORD* size) const;
    LONG CloseKey(HKEY key) const;

private:
    typedef LONG(WINAPI* POpenKeyEx)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
    typedef LONG(WINAPI* PQueryValueEx)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
    typedef LONG(WINAPI* PCloseKey)(HKEY);

    POpenKeyEx m_pfnOpenKeyEx;
    PQueryValueEx m_pfnQueryValueEx;
    PCloseKey m_pfnCloseKey;
};

// Advapi32.dll's functions: the library is loaded on first use and never freed.
const CRegistryFunctions& Advapi32Registry();

// The functions from kernel32.dll, which every process has loaded and which exports them
// since Windows 7; from Advapi32.dll where it does not. For reads on the way of every run,
// where loading Advapi32.dll and what it brings would cost more than the reads themselves.
const CRegistryFunctions& ProcessRegistry();

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
    // value of another type or of an odd byte size.
    LONG QueryStringValue(const wchar_t* valueName, wchar_t* buffer, DWORD* count);

    void Close();

private:
    HKEY m_hKey;
};

} // namespace ZrBase
