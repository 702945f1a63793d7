// Stand-in for the suite's service library ZrSrvApi.dll, for running and testing the tool on a
// machine without the suite.
//
// It exports every name of the service table. The four the client calls keep the library's
// contract; all others answer ERROR_CALL_NOT_IMPLEMENTED. Its behaviour is scripted through
// environment variables, read at every call: StandIns.txt beside this file lists them.
//
// Built in variants from this source: ZR_STANDIN_WITHOUT_<export> leaves one called export out,
// ZR_STANDIN_NO_EXPORTS leaves every export out, ZR_STANDIN_DEPENDENCY imports a library of
// its own (ZrStandInDep.cpp).
//
// It uses nothing but kernel32: no C or C++ runtime of its own, so that loading it costs the
// tool's start-up as little as the library's own would.
#include "ZrSrvTypes.h"

#define ZR_STANDIN_API __declspec(dllexport)

#ifdef ZR_STANDIN_DEPENDENCY
extern "C" __declspec(dllimport) unsigned long ZrStandInDependency();
#endif

extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

namespace
{

const unsigned long DefaultLevel = 2;
const unsigned long DefaultSessionId = 1;
const unsigned long DefaultSessionHandle = 0x5E55;

// The buffer handed out by the last ZrSessionGetInfo; only that one can be given back.
[[maybe_unused]] void* g_pLastBuffer = nullptr;

// Decimal, or hexadecimal after "0x"; stops at the first character that is neither.
[[maybe_unused]] unsigned long ParseNumber(const wchar_t* text)
{
    unsigned long value = 0;
    if (text[0] == L'0' && (text[1] == L'x' || text[1] == L'X'))
    {
        for (text += 2;; ++text)
        {
            const wchar_t c = *text;
            const int digit = (c >= L'0' && c <= L'9')   ? c - L'0'
                              : (c >= L'a' && c <= L'f') ? c - L'a' + 10
                              : (c >= L'A' && c <= L'F') ? c - L'A' + 10
                                                         : -1;
            if (digit < 0)
                return value;
            value = value * 16 + static_cast<unsigned long>(digit);
        }
    }
    for (; *text >= L'0' && *text <= L'9'; ++text)
        value = value * 10 + static_cast<unsigned long>(*text - L'0');
    return value;
}

// Whether the variable `name` holds `value` (case ignored).
[[maybe_unused]] bool SettingIs(const wchar_t* name, const wchar_t* value)
{
    wchar_t text[64];
    const DWORD length = GetEnvironmentVariableW(name, text, 64);
    return length > 0 && length < 64 && lstrcmpiW(text, value) == 0;
}

[[maybe_unused]] unsigned long Setting(const wchar_t* name, unsigned long fallback)
{
    wchar_t text[64];
    const DWORD length = GetEnvironmentVariableW(name, text, 64);
    if (length == 0 || length >= 64)
        return fallback;
    return ParseNumber(text);
}

extern "C" void* __cdecl NoMemory(size_t)
{
    return nullptr;
}

// Makes every later malloc of the program itself fail, as when memory has run out: its import
// of the C runtime's malloc is pointed at NoMemory. The runtime's own allocations are left
// alone, so that what the program writes still gets out. This library then stays loaded for
// good, since the program may call NoMemory after it unloads us. Answers the imports changed.
[[maybe_unused]] unsigned FailProgramAllocations()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&NoMemory), &self);
    BYTE* const base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    unsigned changed = 0;
    for (const IMAGE_IMPORT_DESCRIPTOR* library =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress && library->Name; ++library)
    {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), "msvcrt.dll") != 0)
            continue;
        const IMAGE_THUNK_DATA* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(
            base +
            (library->OriginalFirstThunk ? library->OriginalFirstThunk : library->FirstThunk));
        IMAGE_THUNK_DATA* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot)
        {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), "malloc") != 0)
                continue;
            DWORD protection = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE,
                                &protection))
                continue;
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(&NoMemory);
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
            ++changed;
        }
    }
    return changed;
}

// One line of the trace, built in place.
class CTraceLine
{
public:
    CTraceLine() : m_Length(0) { m_Text[0] = '\0'; }

    CTraceLine& Text(const char* text)
    {
        while (*text && m_Length < Capacity)
            m_Text[m_Length++] = *text++;
        return *this;
    }
    CTraceLine& Wide(const wchar_t* text)
    {
        if (!text)
            return Text("(null)");
        char utf8[512];
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
        return size > 0 ? Text(utf8) : *this;
    }
    CTraceLine& Number(unsigned long long value, unsigned base = 10, unsigned digits = 1)
    {
        char reversed[32];
        unsigned count = 0;
        do
        {
            reversed[count++] = "0123456789ABCDEF"[value % base];
            value /= base;
        } while (value != 0 || count < digits);
        while (count > 0 && m_Length < Capacity)
            m_Text[m_Length++] = reversed[--count];
        return *this;
    }
    CTraceLine& Hex(unsigned long long value, unsigned digits = 1)
    {
        return Text("0x").Number(value, 16, digits);
    }
    CTraceLine& Pointer(const void* pointer)
    {
        return pointer ? Hex(reinterpret_cast<ULONG_PTR>(pointer)) : Text("null");
    }
    CTraceLine& Version(const _ZR_VERSION& version)
    {
        return Number(version.Major)
            .Text(".")
            .Number(version.Minor)
            .Text(".")
            .Number(version.Build)
            .Text(".")
            .Number(version.Revision)
            .Text(".")
            .Number(version.Reserved);
    }
    CTraceLine& Bytes(const BYTE* bytes, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            Number(bytes[i], 16, 2);
        return *this;
    }

    // Appends the line to the trace file, if one is asked for.
    void Write()
    {
        wchar_t path[MAX_PATH];
        const DWORD length = GetEnvironmentVariableW(L"ZRSRVAPI_TRACE", path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return;
        const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        m_Text[m_Length++] = '\n';
        DWORD written = 0;
        WriteFile(file, m_Text, static_cast<DWORD>(m_Length), &written, nullptr);
        CloseHandle(file);
    }

private:
    static const size_t Capacity = 1022;
    char m_Text[Capacity + 2];
    size_t m_Length;
};

} // namespace

#ifndef ZR_STANDIN_NO_EXPORTS

// The function type of every export, from the table, to check the hand-written ones against.
template <class A, class B>
struct TSame
{
    static const bool Value = false;
};
template <class A>
struct TSame<A, A>
{
    static const bool Value = true;
};
#define ZR_SRVAPI_EXPORT(Use, Export, ...)                                                         \
    typedef unsigned long(__stdcall * P##Export)(__VA_ARGS__);
#include "ZrSrvApi.inc"

#ifndef ZR_STANDIN_WITHOUT_ZrOpenSession
extern "C" ZR_STANDIN_API unsigned long __stdcall ZrOpenSession(_ZR_SESSION* session)
{
    if (!session)
    {
        CTraceLine().Text("ZrOpenSession record=null -> 87").Write();
        return ERROR_INVALID_PARAMETER;
    }
    // The record as it arrived, byte for byte, before anything is written into it.
    CTraceLine line;
    line.Text("ZrOpenSession record=")
        .Bytes(reinterpret_cast<const BYTE*>(session), sizeof(*session));
    // Delivered even with a refusal, as a library may: the caller must not take them then.
    session->SessionHandle = reinterpret_cast<void*>(
        static_cast<ULONG_PTR>(Setting(L"ZRSRVAPI_SESSION_HANDLE", DefaultSessionHandle)));
    session->SessionId = Setting(L"ZRSRVAPI_SESSION_ID", DefaultSessionId);
    const unsigned long status = Setting(L"ZRSRVAPI_OPEN_STATUS", 0);
    line.Text(" name=")
        .Wide(session->ClientName)
        .Text(" client=")
        .Version(session->ClientVersion)
        .Text(" kernel=")
        .Version(session->KernelVersion)
        .Text(" flags=")
        .Hex(session->Flags, 8)
        .Text(" -> ")
        .Number(status)
        .Text(" handle=")
        .Pointer(session->SessionHandle)
        .Text(" id=")
        .Number(session->SessionId);
    if (SettingIs(L"ZRSRVAPI_NO_MEMORY", L"open"))
        line.Text(" no-memory=").Number(FailProgramAllocations());
#ifdef ZR_STANDIN_DEPENDENCY
    line.Text(" dependency=").Number(ZrStandInDependency());
#endif
    line.Write();
    return status;
}
static_assert(TSame<decltype(&ZrOpenSession), PZrOpenSession>::Value, "table type");
#endif

#ifndef ZR_STANDIN_WITHOUT_ZrSessionGetInfo
extern "C" ZR_STANDIN_API unsigned long __stdcall ZrSessionGetInfo(void* session, _LUID* logonId,
                                                                   _EZrUserInfo infoClass,
                                                                   void** result)
{
    unsigned long status = Setting(L"ZRSRVAPI_GETINFO_STATUS", 0);
    const void* slot = result ? *result : nullptr;
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
    CTraceLine()
        .Text("ZrSessionGetInfo handle=")
        .Pointer(session)
        .Text(" luid=")
        .Pointer(logonId)
        .Text(" class=")
        .Number(static_cast<unsigned long>(infoClass))
        .Text(" slot=")
        .Pointer(slot)
        .Text(" -> ")
        .Number(status)
        .Text(" buffer=")
        .Pointer(buffer)
        .Write();
    return status;
}
static_assert(TSame<decltype(&ZrSessionGetInfo), PZrSessionGetInfo>::Value, "table type");
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
    CTraceLine()
        .Text("ZrApiBufferFree buffer=")
        .Pointer(buffer)
        .Text(" -> ")
        .Number(status)
        .Write();
    return status;
}
static_assert(TSame<decltype(&ZrApiBufferFree), PZrApiBufferFree>::Value, "table type");
#endif

#ifndef ZR_STANDIN_WITHOUT_ZrCloseSession
extern "C" ZR_STANDIN_API unsigned long __stdcall ZrCloseSession(void* session)
{
    const unsigned long status = Setting(L"ZRSRVAPI_CLOSE_STATUS", 0);
    // The last call of a run: whether the client has had Advapi32.dll loaded by then.
    CTraceLine line;
    line.Text("ZrCloseSession handle=")
        .Pointer(session)
        .Text(" -> ")
        .Number(status)
        .Text(" advapi32=")
        .Number(GetModuleHandleW(L"advapi32.dll") ? 1 : 0);
    if (SettingIs(L"ZRSRVAPI_NO_MEMORY", L"close"))
        line.Text(" no-memory=").Number(FailProgramAllocations());
    line.Write();
    return status;
}
static_assert(TSame<decltype(&ZrCloseSession), PZrCloseSession>::Value, "table type");
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
