#include "RegistryKey.h"

namespace ZrBase
{

namespace
{

// Typed from the function's own declaration.
template <class Function>
Function Bind(HMODULE module, const char* name)
{
    return module ? reinterpret_cast<Function>(FindExport(module, name)) : nullptr;
}

} // namespace

CRegistryFunctions::CRegistryFunctions(HMODULE module)
    : m_pfnOpenKeyEx(Bind<decltype(m_pfnOpenKeyEx)>(module, "RegOpenKeyExW")),
      m_pfnQueryValueEx(Bind<decltype(m_pfnQueryValueEx)>(module, "RegQueryValueExW")),
      m_pfnCloseKey(Bind<decltype(m_pfnCloseKey)>(module, "RegCloseKey"))
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

} // namespace ZrBase
