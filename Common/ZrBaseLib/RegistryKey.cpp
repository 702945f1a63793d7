#include "RegistryKey.h"

namespace ZrBase
{

namespace
{

template <class Function>
Function Bind(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Function>(FindExport(module, name)) : nullptr;
}

} // namespace

CRegistryFunctions::CRegistryFunctions(HMODULE module)
    : m_pfnOpenKeyEx(Bind<POpenKeyEx>(module, "RegOpenKeyExW")),
      m_pfnQueryValueEx(Bind<PQueryValueEx>(module, "RegQueryValueExW")),
      m_pfnCloseKey(Bind<PCloseKey>(module, "RegCloseKey"))
{
}

LONG CRegistryFunctions::OpenKeyEx(HKEY root, const wchar_t* subKey, DWORD options, REGSAM access,
                                   HKEY* result) const
{
    return m_pfnOpenKeyEx ? m_pfnOpenKeyEx(root, subKey, options, access, result)
                          : ERROR_PROC_NOT_FOUND;
}

LONG CRegistryFunctions::QueryValueEx(HKEY key, const wchar_t* valueName, DWORD* type, BYTE* data,
                                      DWORD* size) const
{
    return m_pfnQueryValueEx ? m_pfnQueryValueEx(key, valueName, nullptr, type, data, size)
                             : ERROR_PROC_NOT_FOUND;
}

LONG CRegistryFunctions::CloseKey(HKEY key) const
{
    return m_pfnCloseKey ? m_pfnCloseKey(key) : ERROR_PROC_NOT_FOUND;
}

const CRegistryFunctions& Advapi32Registry()
{
    // A failed load stays null, and so do the entry points: never looked up again.
    static const CRegistryFunctions functions(LoadLibraryW(L"Advapi32.dll"));
    return functions;
}

const CRegistryFunctions& ProcessRegistry()
{
    static const CRegistryFunctions functions([] {
        const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
        if (kernel32 && FindExport(kernel32, "RegOpenKeyExW") &&
            FindExport(kernel32, "RegQueryValueExW") && FindExport(kernel32, "RegCloseKey"))
            return kernel32;
        return LoadLibraryW(L"Advapi32.dll");
    }());
    return functions;
}

LONG CRegistryKey::Open(HKEY root, const wchar_t* subKey, DWORD options, REGSAM access)
{
    Close();
    HKEY key = nullptr;
    const LONG result = Advapi32Registry().OpenKeyEx(root, subKey, options, access, &key);
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
    const LONG result = Advapi32Registry().QueryValueEx(m_hKey, valueName, &type,
                                                        reinterpret_cast<BYTE*>(buffer), &size);
    if (result != ERROR_SUCCESS)
        return result;
    // An odd byte count holds no whole number of characters: a stray byte is no string either.
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size % sizeof(wchar_t) != 0)
        return ERROR_INVALID_DATA;
    *count = size / sizeof(wchar_t);
    return ERROR_SUCCESS;
}

void CRegistryKey::Close()
{
    if (!m_hKey)
        return;
    HKEY key = m_hKey;
    m_hKey = nullptr;
    Advapi32Registry().CloseKey(key);
}

} // namespace ZrBase
