#include "TestSupport.h"

#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <stdexcept>

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

namespace
{

// CreateProcessW under Wine now and then fails with this before the child runs.
const DWORD ErrorInternalDbError = 1359;
const int StartAttempts = 5;

void Check(bool condition, const char* what)
{
    if (!condition)
        throw std::runtime_error(std::string(what) + " failed, error " +
                                 std::to_string(GetLastError()));
}

BOOL CloseValidHandle(HANDLE handle)
{
    return handle != INVALID_HANDLE_VALUE && CloseHandle(handle);
}

// A handle, or INVALID_HANDLE_VALUE from a file that did not open.
typedef ZrBase::TUniqueResource<HANDLE, &CloseValidHandle> CHandle;

// The environment block of this process with `changes` applied, sorted as Windows expects.
std::vector<wchar_t> EnvironmentBlock(const CEnvironment& changes)
{
    std::vector<std::wstring> entries;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1)
        entries.push_back(entry);
    FreeEnvironmentStringsW(block);

    for (const auto& change : changes)
    {
        const std::wstring prefix = change.first + L"=";
        for (auto it = entries.begin(); it != entries.end();)
        {
            if (it->size() >= prefix.size() &&
                CompareStringOrdinal(it->c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                     static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL)
                it = entries.erase(it);
            else
                ++it;
        }
        if (!change.second.empty())
            entries.push_back(prefix + change.second);
    }

    std::vector<wchar_t> result;
    for (const std::wstring& entry : entries)
    {
        result.insert(result.end(), entry.begin(), entry.end());
        result.push_back(L'\0');
    }
    result.push_back(L'\0');
    return result;
}

} // namespace

std::wstring ModuleDirectory()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    Check(length > 0 && length < MAX_PATH, "GetModuleFileNameW");
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L'\\'));
}

std::wstring BuildDirectory()
{
    const std::wstring tests = ModuleDirectory();
    return tests.substr(0, tests.find_last_of(L'\\'));
}

std::wstring StandInRoot()
{
    return BuildDirectory() + L"\\standin";
}

std::wstring StandInDirectory(const wchar_t* variant)
{
    return StandInRoot() + L"\\" + variant;
}

CScopedStandIn::CScopedStandIn(const wchar_t* variant)
{
    SetDllDirectoryW(StandInDirectory(variant).c_str());
}

CScopedStandIn::~CScopedStandIn()
{
    SetDllDirectoryW(nullptr);
}

std::wstring ErrorProperty(const ZrBase::CZrError& error, const std::wstring& key)
{
    const std::wstring dump = L"\r\n" + std::wstring(error.GetDump());
    const std::wstring start = L"\r\n" + key + L": ";
    size_t at = dump.find(start);
    if (at == std::wstring::npos)
        return L"(missing)";
    at += start.size();
    return dump.substr(at, dump.find(L"\r\n", at) - at);
}

ZrBase::CZrError Raised(const std::function<void()>& call)
{
    try
    {
        call();
    }
    catch (const ZrBase::CZrError& error)
    {
        return error;
    }
    ADD_FAILURE() << "nothing raised";
    return ZrBase::CZrError(ZrBase::CErrorCode(0), nullptr, 0, nullptr);
}

bool ServiceLibraryLoaded()
{
    return GetModuleHandleW(L"ZrSrvApi.dll") != nullptr;
}

DWORD HandleCount()
{
    // Wine's GetProcessHandleCount answers 0: count the handle values that name an object.
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0)
        return count;
    DWORD flags = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4)
    {
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    }
    return count;
}

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size,
                        nullptr, nullptr);
    return result;
}

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size);
    return result;
}

std::string ReadFileBytes(const std::wstring& path)
{
    CHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    return bytes;
}

std::vector<std::string> ReadLines(const std::wstring& path)
{
    std::vector<std::string> lines;
    const std::string bytes = ReadFileBytes(path);
    size_t start = 0;
    while (start < bytes.size())
    {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> TraceCalls(const std::vector<std::string>& trace)
{
    std::vector<std::string> calls;
    for (const std::string& line : trace)
        calls.push_back(line.substr(0, line.find(' ')));
    return calls;
}

std::string TraceField(const std::string& line, const std::string& key)
{
    const std::string start = " " + key + "=";
    size_t at = line.find(start);
    if (at == std::string::npos)
        return "(missing)";
    at += start.size();
    return line.substr(at, line.find(' ', at) - at);
}

CProcessResult RunProcess(const std::wstring& program, const std::wstring& arguments,
                          const std::wstring& directory, const CEnvironment& environment)
{
    CProcessResult result = {0, 0, 0, std::string()};
    std::vector<wchar_t> block = EnvironmentBlock(environment);

    for (int attempt = 0; attempt < StartAttempts; ++attempt)
    {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        CHandle readEnd, writeEnd;
        Check(CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 0), "CreatePipe");
        SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
        CHandle nul(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                nullptr));

        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = nul.Get();
        startup.hStdOutput = writeEnd.Get();
        startup.hStdError = nul.Get();

        std::wstring commandLine = L"\"" + program + L"\"";
        if (!arguments.empty())
            commandLine += L" " + arguments;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE,
                            CREATE_UNICODE_ENVIRONMENT, block.data(),
                            directory.empty() ? nullptr : directory.c_str(), &startup, &process))
        {
            result.StartError = GetLastError();
            if (result.StartError == ErrorInternalDbError)
                continue;
            return result;
        }
        result.StartError = 0;
        result.ProcessId = process.dwProcessId;
        CHandle processHandle(process.hProcess), threadHandle(process.hThread);
        writeEnd.Reset();
        nul.Reset();

        char chunk[4096];
        DWORD read = 0;
        while (ReadFile(readEnd.Get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
            result.Output.append(chunk, read);
        WaitForSingleObject(processHandle.Get(), INFINITE);
        GetExitCodeProcess(processHandle.Get(), &result.ExitCode);
        return result;
    }
    return result;
}

CScopedEnvironment::CScopedEnvironment(const wchar_t* name, const std::wstring& value)
    : m_Name(name), m_bExisted(false)
{
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(name, buffer, 32768);
    if (length > 0 && length < 32768)
    {
        m_bExisted = true;
        m_Saved.assign(buffer, length);
    }
    SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
}

CScopedEnvironment::~CScopedEnvironment()
{
    SetEnvironmentVariableW(m_Name.c_str(), m_bExisted ? m_Saved.c_str() : nullptr);
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

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

CTemporaryDirectory::CTemporaryDirectory()
{
    // In the build tree, outside the Wine prefix: what a test puts here is never seen by the
    // tests that look at the prefix itself, the installer's.
    const std::wstring base = BuildDirectory() + L"\\tests\\scratch\\";
    Check(CreateDirectoryW(base.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS,
          "CreateDirectoryW");
    for (unsigned attempt = 0;; ++attempt)
    {
        wchar_t name[64];
        ZrBase::FormatInto(name, 64, L"zrtest-%lu-%lu-%u", GetCurrentProcessId(), GetTickCount(),
                           attempt);
        const std::wstring path = base + name;
        if (CreateDirectoryW(path.c_str(), nullptr))
        {
            m_Path.Reset(path);
            return;
        }
        Check(GetLastError() == ERROR_ALREADY_EXISTS && attempt < 100, "CreateDirectoryW");
    }
}

void CTemporaryDirectory::Copy(const std::wstring& source, const wchar_t* name) const
{
    Check(CopyFileW(source.c_str(), File(name).c_str(), FALSE) != FALSE, "CopyFileW");
}

} // namespace ZrTest
