// Helpers for tests that run under Windows (Wine): paths of the build tree, child processes
// with their full exit code and output, registry values and environment variables restored
// after the test, temporary folders.
#pragma once

#include "UniqueResource.h"
#include "ZrBase.h"
#include "ZrError.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ZrTest
{

// The folder of the running test program, without a trailing backslash.
std::wstring ModuleDirectory();
// The build tree: tests in <build>\tests, the tool in <build>\bin, the stand-ins in
// <build>\standin.
std::wstring BuildDirectory();
// The folder of a stand-in of ZrSrvApi.dll: "full", "no-open", "no-getinfo", "no-free",
// "no-close" or "no-exports"; ZrError.dll lies one level up.
std::wstring StandInDirectory(const wchar_t* variant);
std::wstring StandInRoot();

// Makes the library search find ZrSrvApi.dll in one stand-in variant's folder for a scope
// (the tests folder has no ZrSrvApi.dll of its own).
class CScopedStandIn
{
public:
    explicit CScopedStandIn(const wchar_t* variant);
    ~CScopedStandIn();
    CScopedStandIn(const CScopedStandIn&) = delete;
    CScopedStandIn& operator=(const CScopedStandIn&) = delete;
};

// A property of an error as its dump shows it, e.g. "Line"; "(missing)" when there is none.
std::wstring ErrorProperty(const ZrBase::CZrError& error, const std::wstring& key);

// The error a call raises, caught by const reference as the system's catchers do; a test
// failure, and an error of code 0, when it raises none.
ZrBase::CZrError Raised(const std::function<void()>& call);

// Whether the process has ZrSrvApi.dll loaded.
bool ServiceLibraryLoaded();

// Open handles of the process (registry keys included).
DWORD HandleCount();

// Export names, in the order the stand-in's trace lists their calls.
typedef std::vector<std::string> CCalls;

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
std::string ReadFileBytes(const std::wstring& path);
std::vector<std::string> ReadLines(const std::wstring& path);

// The stand-in's trace: the exports called, in order, and the value of "key=" in one line.
std::vector<std::string> TraceCalls(const std::vector<std::string>& trace);
std::string TraceField(const std::string& line, const std::string& key);

struct CProcessResult
{
    DWORD StartError; // 0 when the program ran
    DWORD ProcessId;
    DWORD ExitCode;     // all 32 bits
    std::string Output; // standard output, byte for byte
};

typedef std::vector<std::pair<std::wstring, std::wstring>> CEnvironment;

// Runs `program` with `arguments` in `directory`, the environment of this process changed by
// `environment` (an empty value removes a variable), and waits for it.
CProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments,
                          const std::wstring& directory, const CEnvironment& environment);

// Sets an environment variable of this process for a scope.
class CScopedEnvironment
{
public:
    CScopedEnvironment(const wchar_t* name, const std::wstring& value);
    ~CScopedEnvironment();
    CScopedEnvironment(const CScopedEnvironment&) = delete;
    CScopedEnvironment& operator=(const CScopedEnvironment&) = delete;

private:
    std::wstring m_Name;
    std::wstring m_Saved;
    bool m_bExisted;
};

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

// Removes a folder with everything in it.
void RemoveTree(const std::wstring& path);

// A fresh, empty folder in <build>\tests\scratch, removed with its files on destruction.
class CTemporaryDirectory
{
public:
    CTemporaryDirectory();

    std::wstring Path() const { return m_Path.Get(); }
    std::wstring File(const wchar_t* name) const { return Path() + L"\\" + name; }
    // Copies `source` into the folder under `name`.
    void Copy(const std::wstring& source, const wchar_t* name) const;

private:
    ZrBase::TUniqueResource<std::wstring, &RemoveTree> m_Path;
};

} // namespace ZrTest
