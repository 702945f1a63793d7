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
#include "NoMemory.h"
#include "StandInSettings.h"
#include "StandInTrace.h"
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
    // Where the import came from (the call keeps the import).
    ZrStandInDependency();
    line.Text(" dependency=").Module(GetModuleHandleW(L"ZrStandInDep.dll"));
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
    CTraceLine line;
    line.Text("ZrSessionGetInfo handle=")
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
        .Pointer(buffer);
    // A helper loaded on demand by bare name, as suites do: where the search found it.
    wchar_t helper[MAX_PATH];
    if (SettingText(L"ZRSRVAPI_HELPER", helper, MAX_PATH))
    {
        const HMODULE module = LoadLibraryW(helper);
        line.Text(" helper=").Module(module);
        if (module)
            FreeLibrary(module);
    }
    line.Write();
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
