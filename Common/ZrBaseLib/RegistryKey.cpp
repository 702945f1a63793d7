#include "RegistryKey.h"

namespace ZrBase
{

namespace
{

typedef LONG(WINAPI* PRegOpenKeyExW)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
typedef LONG(WINAPI* PRegQueryValueExW)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
typedef LONG(WINAPI* PRegCloseKey)(HKEY);

// Loaded once and never freed; a failed load stays null.
HMODULE Advapi32()
{
    static const HMODULE module = LoadLibraryW(L"Advapi32.dll");
    return module;
}

template <class Function>
Function Bind(const char* name)
{
    const HMODULE module = Advapi32();
    return module ? reinterpret_cast<Function>(FindExport(module, name)) : nullptr;
}

// Each entry point is looked up once; a null result is kept as well.
LONG BoundRegOpenKeyExW(HKEY root, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    static const PRegOpenKeyExW function = Bind<PRegOpenKeyExW>("RegOpenKeyExW");
    return Detail::CallBound(function, root, subKey, options, access, result);
}

LONG BoundRegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                           LPDWORD size)
{
    static const PRegQueryValueExW function = Bind<PRegQueryValueExW>("RegQueryValueExW");
    return Detail::CallBound(function, key, name, reserved, type, data, size);
}

LONG BoundRegCloseKey(HKEY key)
{
    static const PRegCloseKey function = Bind<PRegCloseKey>("RegCloseKey");
    return Detail::CallBound(function, key);
}

} // namespace

LONG CRegistryKey::Open(HKEY root, const wchar_t* subKey, DWORD options, REGSAM access)
{
    Close();
    HKEY key = nullptr;
    const LONG result = BoundRegOpenKeyExW(root, subKey, options, access, &key);
    if (result == ERROR_SUCCESS)
        m_hKey = key;
    return result;
}

LONG CRegistryKey::QueryStringValue(const wchar_t* valueName, wchar_t* buffer, DWORD* count)
{
    if (!count)
        return ERROR_INVALID_PARAMETER;
    DWORD size = *count * sizeof(wchar_t);
    DWORD type = REG_NONE;
    *count = 0;
    const LONG result = BoundRegQueryValueExW(m_hKey, valueName, nullptr, &type,
                                              reinterpret_cast<LPBYTE>(buffer), &size);
    if (result != ERROR_SUCCESS)
        return result;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return ERROR_INVALID_DATA;
    *count = size / sizeof(wchar_t);
    return ERROR_SUCCESS;
}

void CRegistryKey::Close()
{
    if (!m_hKey)
        return;
    const HKEY key = m_hKey;
    m_hKey = nullptr;
    BoundRegCloseKey(key);
}

} // namespace ZrBase
