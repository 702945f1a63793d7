#include "Registry.h"

#include "Checked.h"

namespace ZrTest
{

const CRegistryValueName ClientVersion = {L"SOFTWARE\\Kestrane\\Tessarin 5", L"ClientVersion", 0};
const CRegistryValueName ProductLocale = {L"SOFTWARE\\Orvenal\\Tessarin Studio", L"ProductLocale",
                                          KEY_WOW64_64KEY};

CRegistryValueName InOtherView(const CRegistryValueName& name)
{
    const REGSAM own = sizeof(void*) == 4 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const REGSAM view = name.View ? name.View : own;
    CRegistryValueName other = name;
    other.View = view == KEY_WOW64_64KEY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    return other;
}

CScopedRegistryValue::CScopedRegistryValue(const CRegistryValueName& name)
    : m_SubKey(name.Key), m_ValueName(name.Value), m_View(name.View), m_bKeyExisted(false),
      m_bValueExisted(false), m_dwType(REG_NONE)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, name.Key, 0, KEY_READ | m_View, &key) != ERROR_SUCCESS)
        return;
    m_bKeyExisted = true;
    DWORD size = 0;
    if (RegQueryValueExW(key, name.Value, nullptr, &m_dwType, nullptr, &size) == ERROR_SUCCESS)
    {
        m_Data.resize(size);
        if (RegQueryValueExW(key, name.Value, nullptr, &m_dwType, m_Data.data(), &size) ==
            ERROR_SUCCESS)
        {
            m_Data.resize(size);
            m_bValueExisted = true;
        }
    }
    RegCloseKey(key);
}

CScopedRegistryValue::~CScopedRegistryValue()
{
    if (m_bValueExisted)
    {
        Set(m_dwType, m_Data.data(), static_cast<DWORD>(m_Data.size()));
        return;
    }
    Remove();
    if (!m_bKeyExisted)
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, m_SubKey.c_str(), m_View, 0);
}

void CScopedRegistryValue::Set(DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    Check(RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_SubKey.c_str(), 0, nullptr, 0,
                          KEY_SET_VALUE | m_View, nullptr, &key, nullptr) == ERROR_SUCCESS,
          "RegCreateKeyExW");
    // The registry adds a terminator to a string whose next character is zero: keep the bytes
    // past the given size non-zero so that what is stored is exactly what was asked for.
    std::vector<BYTE> padded(size + 8, 0x41);
    if (size)
        memcpy(padded.data(), data, size);
    const LONG result = RegSetValueExW(key, m_ValueName.c_str(), 0, type, padded.data(), size);
    RegCloseKey(key);
    Check(result == ERROR_SUCCESS, "RegSetValueExW");
}

void CScopedRegistryValue::SetString(const std::wstring& text, DWORD type)
{
    Set(type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void CScopedRegistryValue::SetDword(DWORD value)
{
    Set(REG_DWORD, &value, sizeof(value));
}

void CScopedRegistryValue::Remove()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, m_SubKey.c_str(), 0, KEY_SET_VALUE | m_View, &key) !=
        ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, m_ValueName.c_str());
    RegCloseKey(key);
}

} // namespace ZrTest
