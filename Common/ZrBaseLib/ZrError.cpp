#include "ZrError.h"

#include "ZrErrorMessage.h"

#include <cwchar>
#include <utility>

namespace ZrBase
{

namespace
{

const wchar_t KeyCode[] = L"Code";
const wchar_t KeyFile[] = L"File";
const wchar_t KeyLine[] = L"Line";
const wchar_t KeyFunction[] = L"Function";
const wchar_t KeyDescription[] = L"Description";
const wchar_t KeyDebugInfo[] = L"DebugInfo";
const wchar_t KeyDump[] = L"Dump";

const UINT FixedCodePage = 1251;

// Formats with the insert first and every further insert the formatter accepts empty, so a
// message naming any insert number finds an argument.
template <size_t... Index>
std::wstring MessageWithInsert(DWORD code, const wchar_t* const* inserts,
                               std::index_sequence<Index...>)
{
    return GetErrorMessageEx(code, inserts[Index]...);
}

std::wstring MessageWithInsert(DWORD code, const std::wstring& insert)
{
    const wchar_t* inserts[MaxMessageInserts];
    inserts[0] = insert.c_str();
    for (size_t i = 1; i < MaxMessageInserts; ++i)
        inserts[i] = L"";
    return MessageWithInsert(code, inserts, std::make_index_sequence<MaxMessageInserts>());
}

} // namespace

CZrError::CZrError(const CErrorCode& code, const wchar_t* file, int line, const wchar_t* function)
{
    AddPlace(code, file, line, function);
    m_Properties.emplace(KeyDescription, GetErrorMessage(code));
}

CZrError::CZrError(const CErrorCode& code, const wchar_t* file, int line, const wchar_t* function,
                   const std::wstring& insert)
{
    AddPlace(code, file, line, function);
    m_Properties.emplace(KeyDescription, MessageWithInsert(code, insert));
}

CZrError::~CZrError() = default;

void CZrError::AddPlace(const CErrorCode& code, const wchar_t* file, int line,
                        const wchar_t* function)
{
    wchar_t text[64];
    FormatInto(text, 64, L"0x%08X", static_cast<unsigned>(static_cast<unsigned long>(code)));
    m_Properties.emplace(KeyCode, text);
    if (file)
        m_Properties.emplace(KeyFile, file);
    if (line != 0)
        m_Properties.emplace(KeyLine, ULongToString(static_cast<unsigned long>(line), 10));
    if (function)
        m_Properties.emplace(KeyFunction, function);
}

unsigned long CZrError::GetCode() const
{
    // Read in place: a catcher asks for the code when memory may have run out, and a copy of
    // the text is longer than the C++ runtime keeps without allocating.
    const CPropertyMap::const_iterator code = m_Properties.find(KeyCode);
    const std::wstring& text = code != m_Properties.end() ? code->second : m_Properties[KeyCode];
    if (text.size() < 3)
        return 0;
    return wcstoul(text.c_str() + 2, nullptr, 16);
}

const wchar_t* CZrError::GetDescription() const
{
    return m_Properties[KeyDescription].c_str();
}

const wchar_t* CZrError::GetDebugInfo() const
{
    const CPropertyMap::const_iterator cached = m_Properties.find(KeyDebugInfo);
    if (cached != m_Properties.end())
        return cached->second.c_str();

    std::wstring text;
    for (const wchar_t* key : {KeyFile, KeyLine, KeyFunction})
    {
        const CPropertyMap::const_iterator entry = m_Properties.find(key);
        if (entry == m_Properties.end())
            continue;
        text += entry->first;
        text += L'\0';
        text += entry->second;
        text += L'\0';
    }
    return m_Properties.emplace(KeyDebugInfo, std::move(text)).first->second.c_str();
}

const wchar_t* CZrError::GetDump() const
{
    m_Properties.erase(KeyDump);
    std::wstring text;
    for (const CPropertyMap::value_type& entry : m_Properties)
    {
        text += entry.first;
        text += L": ";
        text += entry.second;
        text += L"\r\n";
    }
    return m_Properties.emplace(KeyDump, std::move(text)).first->second.c_str();
}

const wchar_t* CZrError::ToString() const
{
    return GetDump();
}

void ThrowError(const CErrorCode& code, const wchar_t* file, int line, const wchar_t* function)
{
    throw CZrError(code, file, line, function);
}

void ThrowError(const CErrorCode& code, const wchar_t* file, int line, const wchar_t* function,
                const std::wstring& insert)
{
    throw CZrError(code, file, line, function, insert);
}

CNarrowToWide::CNarrowToWide(const char* text)
{
    if (!text)
        return;
    const int needed = MultiByteToWideChar(FixedCodePage, 0, text, -1, nullptr, 0);
    if (needed <= 0)
        return;
    resize(static_cast<size_t>(needed));
    const int converted = MultiByteToWideChar(FixedCodePage, 0, text, -1, &(*this)[0], needed);
    if (converted <= 0)
    {
        clear();
        return;
    }
    resize(static_cast<size_t>(converted) - 1);
}

} // namespace ZrBase
