// The one error type of the system and the only way to raise it.
//
// An error is a set of named text properties: the code (kept only as "0x%08X" text), the raising
// place and the code's message text, looked up once when the error is built.
#pragma once

#include "ZrBase.h"

#include <map>
#include <string>

namespace ZrBase
{

class IZrErrorW
{
public:
    virtual unsigned long GetCode() const = 0;
    // The message text of the code.
    virtual const wchar_t* GetDescription() const = 0;
    // The raising place as NUL-terminated key and value strings, closed by an empty string.
    virtual const wchar_t* GetDebugInfo() const = 0;
    // Every property as "key: value\r\n"; valid until the next GetDump or ToString.
    virtual const wchar_t* GetDump() const = 0;
    virtual const wchar_t* ToString() const = 0;
    virtual ~IZrErrorW() = default;

protected:
    IZrErrorW() = default;
    IZrErrorW(const IZrErrorW&) = default;
    IZrErrorW& operator=(const IZrErrorW&) = default;
};

class CErrorCode
{
public:
    explicit CErrorCode(unsigned long code) : m_Code(code) {}
    operator unsigned long() const { return m_Code; }

private:
    unsigned long m_Code;
};

// A failure that carries no code of its own (0, which reads as success) is an internal error.
inline unsigned long FailureCode(unsigned long code)
{
    return code ? code : ERROR_INTERNAL_ERROR;
}

// Orders property keys as lstrcmpiW collates them: keys differing only in case are one key.
// Transparent, so that a key is looked up by its characters without building a string.
struct NoCaseLess
{
    typedef void is_transparent;
    static const wchar_t* Text(const std::wstring& key) { return key.c_str(); }
    static const wchar_t* Text(const wchar_t* key) { return key; }
    template <class A, class B>
    bool operator()(const A& a, const B& b) const
    {
        return lstrcmpiW(Text(a), Text(b)) < 0;
    }
};

class CZrError : public IZrErrorW
{
public:
    // `file` and `function` may be null and `line` 0: the property is then left out.
    CZrError(const CErrorCode& code, const wchar_t* file, int line, const wchar_t* function);
    // The same; `insert` fills insert 1 of the code's message text.
    CZrError(const CErrorCode& code, const wchar_t* file, int line, const wchar_t* function,
             const std::wstring& insert);
    CZrError(const CZrError&) = default;
    CZrError& operator=(const CZrError&) = default;
    ~CZrError() override;

    unsigned long GetCode() const override;
    const wchar_t* GetDescription() const override;
    const wchar_t* GetDebugInfo() const override;
    const wchar_t* GetDump() const override;
    const wchar_t* ToString() const override;

private:
    typedef std::map<std::wstring, std::wstring, NoCaseLess> CPropertyMap;

    void AddPlace(const CErrorCode& code, const wchar_t* file, int line, const wchar_t* function);

    // The reading operations cache their texts here, also on errors held by const reference.
    mutable CPropertyMap m_Properties;
};

[[noreturn]] void ThrowError(const CErrorCode& code, const wchar_t* file, int line,
                             const wchar_t* function);
[[noreturn]] void ThrowError(const CErrorCode& code, const wchar_t* file, int line,
                             const wchar_t* function, const std::wstring& insert);

// Wide form of narrow text as it reads in code page 1251, whatever the system's code page is;
// empty for null or unconvertible text.
class CNarrowToWide : public std::wstring
{
public:
    explicit CNarrowToWide(const char* text);
};

} // namespace ZrBase
