// Registry access without a link-time dependency on Advapi32.dll.
//
// A registry key is read through one set of entry points, bound once per process; when one is
// missing, its call answers ERROR_PROC_NOT_FOUND without calling anything.
#pragma once

#include "UniqueResource.h"
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
    decltype(&::RegOpenKeyExW) m_pfnOpenKeyEx;
    decltype(&::RegQueryValueExW) m_pfnQueryValueEx;
    decltype(&::RegCloseKey) m_pfnCloseKey;
};

// Advapi32.dll's functions: the library is loaded on first use and never freed.
const CRegistryFunctions& Advapi32Registry();

// The functions from kernel32.dll, which every process has loaded and which exports them
// since Windows 7; from Advapi32.dll where it does not. For reads on the way of every run,
// where loading Advapi32.dll and what it brings would cost more than the reads themselves.
const CRegistryFunctions& ProcessRegistry();

namespace Detail
{
template <const CRegistryFunctions& (*Registry)()>
LONG CloseKeyWith(HKEY key)
{
    return Registry().CloseKey(key);
}
} // namespace Detail

// One open key, read and closed through the functions of `Registry`.
template <const CRegistryFunctions& (*Registry)()>
class TRegistryKey
{
public:
    // Closes a key already held, then opens `subKey` under `root`. Returns a Win32 code.
    LONG Open(HKEY root, const wchar_t* subKey, DWORD options, REGSAM access)
    {
        Close();
        // A failed open may still write its result: only a key that opened is held.
        HKEY key = nullptr;
        const LONG result = Registry().OpenKeyEx(root, subKey, options, access, &key);
        if (result == ERROR_SUCCESS)
            m_hKey.Reset(key);
        return result;
    }

    // Reads a value as it is stored; `size` is in bytes both ways.
    LONG QueryValue(const wchar_t* valueName, DWORD* type, void* data, DWORD* size) const
    {
        return Registry().QueryValueEx(m_hKey.Get(), valueName, type, static_cast<BYTE*>(data),
                                       size);
    }

    // Reads a REG_SZ or REG_EXPAND_SZ value (not expanded). `count` is the capacity of `buffer`
    // in characters on entry and the characters read on success (the stored byte size halved,
    // terminator included when one was stored); 0 on any failure. ERROR_INVALID_DATA for a
    // value of another type or of an odd byte size.
    LONG QueryStringValue(const wchar_t* valueName, wchar_t* buffer, DWORD* count) const
    {
        if (!count)
            return ERROR_INVALID_PARAMETER;
        DWORD size = *count * sizeof(wchar_t);
        DWORD type = REG_NONE;
        *count = 0;
        const LONG result = QueryValue(valueName, &type, buffer, &size);
        if (result != ERROR_SUCCESS)
            return result;
        // An odd byte count holds no whole number of characters: a stray byte is no string.
        if ((type != REG_SZ && type != REG_EXPAND_SZ) || size % sizeof(wchar_t) != 0)
            return ERROR_INVALID_DATA;
        *count = size / sizeof(wchar_t);
        return ERROR_SUCCESS;
    }

    void Close() { m_hKey.Reset(); }

private:
    TUniqueResource<HKEY, &Detail::CloseKeyWith<Registry>> m_hKey;
};

// The product locale's key: Advapi32.dll, bound late, since only an error ever reads it.
typedef TRegistryKey<&Advapi32Registry> CRegistryKey;
// A key read on the way of every run.
typedef TRegistryKey<&ProcessRegistry> CProcessRegistryKey;

} // namespace ZrBase
