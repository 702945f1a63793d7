// Stand-in for the suite's service library ZrSrvApi.dll, for running and testing the tool on a
// machine without the suite.
//
// It exports every name of the service table. The four the client calls keep the library's
// contract; all others answer ERROR_CALL_NOT_IMPLEMENTED. Behaviour is scripted through the
// environment, read at every call:
//   ZRSRVAPI_LEVEL           session level delivered by ZrSessionGetInfo (default 2)
//   ZRSRVAPI_OPEN_STATUS     status of ZrOpenSession     (default 0; also *_GETINFO_, *_FREE_,
//   ZRSRVAPI_GETINFO_STATUS  status of ZrSessionGetInfo   *_CLOSE_: a nonzero status is returned
//   ZRSRVAPI_FREE_STATUS     status of ZrApiBufferFree    after the call did its work, except
//   ZRSRVAPI_CLOSE_STATUS    status of ZrCloseSession     that a failing open fills nothing)
//   ZRSRVAPI_SESSION_ID      SessionId delivered by ZrOpenSession (default 1)
//   ZRSRVAPI_SESSION_HANDLE  SessionHandle delivered by ZrOpenSession (default 0x5E55)
//   ZRSRVAPI_NULL_BUFFER     when 1, ZrSessionGetInfo succeeds with a null buffer
//   ZRSRVAPI_TRACE           file to which every call appends one line with its arguments
// Numbers are decimal or 0x-prefixed hexadecimal.
//
// Built in variants from this source: ZR_STANDIN_WITHOUT_<export> leaves one called export out,
// ZR_STANDIN_NO_EXPORTS leaves every export out.
#include "ZrSrvTypes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#define ZR_STANDIN_API __declspec(dllexport)

namespace
{

const unsigned long DefaultLevel = 2;
const unsigned long DefaultSessionId = 1;
const unsigned long DefaultSessionHandle = 0x5E55;

// The buffer handed out by the last ZrSessionGetInfo; only that one can be given back.
[[maybe_unused]] void* g_pLastBuffer = nullptr;

bool ReadSetting(const wchar_t* name, unsigned long& value)
{
    wchar_t text[64];
    const DWORD length = GetEnvironmentVariableW(name, text, 64);
    if (length == 0 || length >= 64)
        return false;
    value = wcstoul(text, nullptr, 0);
    return true;
}

[[maybe_unused]] unsigned long Setting(const wchar_t* name, unsigned long fallback)
{
    unsigned long value = fallback;
    ReadSetting(name, value);
    return value;
}

[[maybe_unused]] std::string Utf8(const wchar_t* text)
{
    if (!text)
        return "(null)";
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return std::string();
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], size, nullptr, nullptr);
    result.resize(static_cast<size_t>(size) - 1);
    return result;
}

[[maybe_unused]] void Trace(const std::string& line)
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"ZRSRVAPI_TRACE", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

[[maybe_unused]] std::string Format(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    text[sizeof(text) - 1] = '\0';
    return text;
}

[[maybe_unused]] std::string Version(const _ZR_VERSION& version)
{
    return Format("%u.%u.%u.%u.%lu", version.Major, version.Minor, version.Build, version.Revision,
                  static_cast<unsigned long>(version.Reserved));
}

[[maybe_unused]] std::string Pointer(const void* pointer)
{
    return pointer ? Format("0x%llX",
                            static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(pointer)))
                   : std::string("null");
}

[[maybe_unused]] std::string Bytes(const BYTE* bytes, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += Format("%02X", bytes[i]);
    return text;
}

} // namespace

// The function type of every export, from the table, to check the hand-written ones against.
#define ZR_SRVAPI_EXPORT(Use, Export, ...)                                                         \
    typedef unsigned long(__stdcall * P##Export)(__VA_ARGS__);
#include "ZrSrvApi.inc"

#ifndef ZR_STANDIN_NO_EXPORTS

#ifndef ZR_STANDIN_WITHOUT_ZrOpenSession
extern "C" ZR_STANDIN_API unsigned long __stdcall ZrOpenSession(_ZR_SESSION* session)
{
    const unsigned long status = Setting(L"ZRSRVAPI_OPEN_STATUS", 0);
    if (!session)
    {
        Trace("ZrOpenSession record=null -> 87");
        return ERROR_INVALID_PARAMETER;
    }
    if (status == 0)
    {
        session->SessionHandle = reinterpret_cast<void*>(
            static_cast<ULONG_PTR>(Setting(L"ZRSRVAPI_SESSION_HANDLE", DefaultSessionHandle)));
        session->SessionId = Setting(L"ZRSRVAPI_SESSION_ID", DefaultSessionId);
    }
    Trace(Format(
        "ZrOpenSession name=%s zero1=%lu zero2=%lu client=%s kernel=%s zero3=%lu "
        "flags=0x%08lX tail=%s -> %lu handle=%s id=%lu",
        Utf8(session->ClientName).c_str(), static_cast<unsigned long>(session->Reserved1),
        static_cast<unsigned long>(session->Reserved2), Version(session->ClientVersion).c_str(),
        Version(session->KernelVersion).c_str(), static_cast<unsigned long>(session->Reserved3),
        static_cast<unsigned long>(session->Flags),
        Bytes(session->Reserved4, sizeof(session->Reserved4)).c_str(), status,
        Pointer(session->SessionHandle).c_str(), static_cast<unsigned long>(session->SessionId)));
    return status;
}
static_assert(std::is_same<decltype(&ZrOpenSession), PZrOpenSession>::value, "table type");
#endif

#ifndef ZR_STANDIN_WITHOUT_ZrSessionGetInfo
extern "C" ZR_STANDIN_API unsigned long __stdcall ZrSessionGetInfo(void* session, _LUID* logonId,
                                                                   _EZrUserInfo infoClass,
                                                                   void** result)
{
    unsigned long status = Setting(L"ZRSRVAPI_GETINFO_STATUS", 0);
    void* buffer = nullptr;
    if (status == 0 && !result)
        status = ERROR_INVALID_PARAMETER;
    if (status == 0 && Setting(L"ZRSRVAPI_NULL_BUFFER", 0) != 1)
    {
        buffer = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 16);
        if (!buffer)
            status = ERROR_NOT_ENOUGH_MEMORY;
        else
            *static_cast<DWORD*>(buffer) = Setting(L"ZRSRVAPI_LEVEL", DefaultLevel);
    }
    if (status == 0)
    {
        *result = buffer;
        g_pLastBuffer = buffer;
    }
    Trace(Format("ZrSessionGetInfo handle=%s luid=%s class=%d -> %lu buffer=%s",
                 Pointer(session).c_str(), Pointer(logonId).c_str(), static_cast<int>(infoClass),
                 status, Pointer(buffer).c_str()));
    return status;
}
static_assert(std::is_same<decltype(&ZrSessionGetInfo), PZrSessionGetInfo>::value, "table type");
#endif

#ifndef ZR_STANDIN_WITHOUT_ZrApiBufferFree
extern "C" ZR_STANDIN_API unsigned long __stdcall ZrApiBufferFree(void* buffer)
{
    unsigned long status = Setting(L"ZRSRVAPI_FREE_STATUS", 0);
    if (buffer && buffer == g_pLastBuffer)
    {
        HeapFree(GetProcessHeap(), 0, buffer);
        g_pLastBuffer = nullptr;
    }
    else if (buffer && status == 0)
    {
        // Not a buffer of ours: refuse rather than free what we do not own.
        status = ERROR_INVALID_PARAMETER;
    }
    Trace(Format("ZrApiBufferFree buffer=%s -> %lu", Pointer(buffer).c_str(), status));
    return status;
}
static_assert(std::is_same<decltype(&ZrApiBufferFree), PZrApiBufferFree>::value, "table type");
#endif

#ifndef ZR_STANDIN_WITHOUT_ZrCloseSession
extern "C" ZR_STANDIN_API unsigned long __stdcall ZrCloseSession(void* session)
{
    const unsigned long status = Setting(L"ZRSRVAPI_CLOSE_STATUS", 0);
    Trace(Format("ZrCloseSession handle=%s -> %lu", Pointer(session).c_str(), status));
    return status;
}
static_assert(std::is_same<decltype(&ZrCloseSession), PZrCloseSession>::value, "table type");
#endif

// Every export the client never calls.
#define ZR_STANDIN_Called(Export, Parameters)
#define ZR_STANDIN_NotCalled(Export, Parameters)                                                   \
    extern "C" ZR_STANDIN_API unsigned long __stdcall Export Parameters                            \
    {                                                                                              \
        return ERROR_CALL_NOT_IMPLEMENTED;                                                         \
    }
#define ZR_SRVAPI_EXPORT(Use, Export, ...) ZR_STANDIN_##Use(Export, (__VA_ARGS__))
#include "ZrSrvApi.inc"
#undef ZR_STANDIN_Called
#undef ZR_STANDIN_NotCalled

#endif // ZR_STANDIN_NO_EXPORTS
