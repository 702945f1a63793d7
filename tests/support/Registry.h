// The product's registry values, set by tests and put back as they were.
#pragma once

#include "ZrBase.h"

#include <string>
#include <vector>

namespace ZrTest
{

// A registry value under HKEY_LOCAL_MACHINE that the product reads, in the view it reads it
// from on 64-bit Windows: 0 for the process's own view, or KEY_WOW64_64KEY / KEY_WOW64_32KEY.
struct CRegistryValueName
{
    const wchar_t* Key;
    const wchar_t* Value;
    REGSAM View;
};

// "ClientVersion": the process's own view (for an i686 process, the 32-bit view WOW6432Node).
extern const CRegistryValueName ClientVersion;
// "ProductLocale": always the 64-bit view.
extern const CRegistryValueName ProductLocale;

// The same value in the view the product does not read.
CRegistryValueName InOtherView(const CRegistryValueName& name);

// One registry value, in its view, saved on construction and put back as it was, key included,
// on destruction.
class CScopedRegistryValue
{
public:
    explicit CScopedRegistryValue(const CRegistryValueName& name);
    ~CScopedRegistryValue();
    CScopedRegistryValue(const CScopedRegistryValue&) = delete;
    CScopedRegistryValue& operator=(const CScopedRegistryValue&) = delete;

    // Stores exactly `size` bytes. The bytes after them in the buffer handed to the registry
    // are not zero, so a string is stored without a terminator the caller did not give.
    void Set(DWORD type, const void* data, DWORD size);
    // A string with its terminator.
    void SetString(const std::wstring& text, DWORD type = REG_SZ);
    void SetDword(DWORD value);
    void Remove();

private:
    std::wstring m_SubKey;
    std::wstring m_ValueName;
    REGSAM m_View;
    bool m_bKeyExisted;
    bool m_bValueExisted;
    DWORD m_dwType;
    std::vector<BYTE> m_Data;
};

} // namespace ZrTest
