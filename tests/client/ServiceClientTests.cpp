#include "Errors.h"
#include "Files.h"
#include "Processes.h"
#include "Registry.h"
#include "StandIns.h"
#include "ZrSrvClass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

using ZrBase::CZrError;
using ZrTest::CCalls;
using ZrTest::ErrorProperty;
using ZrTest::Raised;
using ZrTest::ServiceLibraryLoaded;

namespace
{

const wchar_t SourceFile[] = L"Include/ZrSrvClass";

// The stand-in of one test: a library variant, a trace file and scripted settings.
class CService
{
public:
    explicit CService(const wchar_t* variant = L"full")
        : m_StandIn(variant), m_Trace(L"ZRSRVAPI_TRACE", m_Folder.File(L"trace.txt"))
    {
    }

    void Set(const wchar_t* name, const std::wstring& value)
    {
        m_Settings.emplace_back(new ZrTest::CScopedEnvironment(name, value));
    }

    // The calls made so far: whole trace lines, or export names.
    std::vector<std::string> Lines() const
    {
        return ZrTest::ReadLines(m_Folder.File(L"trace.txt"));
    }
    std::vector<std::string> Calls() const { return ZrTest::TraceCalls(Lines()); }

private:
    ZrTest::CTemporaryDirectory m_Folder;
    ZrTest::CScopedStandIn m_StandIn;
    ZrTest::CScopedEnvironment m_Trace;
    std::vector<std::unique_ptr<ZrTest::CScopedEnvironment>> m_Settings;
};

void ExpectPlace(const CZrError& error, unsigned long code, const wchar_t* line,
                 const wchar_t* function)
{
    ZrTest::ExpectPlace(error, code, SourceFile, line, function);
}

} // namespace

TEST(ClientName, IsMadeOfTheFileNameAndProcessId)
{
    std::wstring name = L"unchanged";
    EXPECT_EQ(0u, CZrQuick::MakeClientName(L"C:\\Tools\\tool.exe", 420, name));
    EXPECT_EQ(L"@tool01A4", name);
    // At least four digits, never cut.
    EXPECT_EQ(0u, CZrQuick::MakeClientName(L"C:\\Tools\\tool.exe", 0, name));
    EXPECT_EQ(L"@tool0000", name);
    EXPECT_EQ(0u, CZrQuick::MakeClientName(L"C:\\Tools\\tool.exe", 0x12345, name));
    EXPECT_EQ(L"@tool12345", name);
    EXPECT_EQ(0u, CZrQuick::MakeClientName(L"C:\\Tools\\tool.exe", 0xFFFFFFFC, name));
    EXPECT_EQ(L"@toolFFFFFFFC", name);
    // Only the last extension goes; a dot in a folder name is not one.
    EXPECT_EQ(0u, CZrQuick::MakeClientName(L"C:\\v1.2\\tool.v2.exe", 4, name));
    EXPECT_EQ(L"@tool.v20004", name);
    EXPECT_EQ(0u, CZrQuick::MakeClientName(L"C:\\v1.2\\tool", 4, name));
    EXPECT_EQ(L"@tool0004", name);
    // At most 80 characters of the base name.
    const std::wstring longName(100, L'n');
    EXPECT_EQ(0u, CZrQuick::MakeClientName((L"Z:\\t\\" + longName + L".exe").c_str(), 8, name));
    EXPECT_EQ(L"@" + std::wstring(80, L'n') + L"0008", name);
    // No folder at all: refused, the name left alone.
    name = L"unchanged";
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_ENVIRONMENT),
              CZrQuick::MakeClientName(L"tool.exe", 4, name));
    EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_ENVIRONMENT), CZrQuick::MakeClientName(L"", 4, name));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER),
              CZrQuick::MakeClientName(nullptr, 4, name));
    EXPECT_EQ(L"unchanged", name);
}

TEST(ClientVersion, MajorIsTheLeadingNumber)
{
    auto parse = [](const std::wstring& text) {
        return CZrSrv::ParseClientMajorVersion(text.c_str(), text.size() + 1);
    };
    EXPECT_EQ(8, parse(L"8.1"));
    EXPECT_EQ(9, parse(L"9"));
    EXPECT_EQ(9, parse(L"9.0.1"));
    EXPECT_EQ(65535, parse(L"-1"));
    // Blanks and a sign may lead; nothing else may.
    for (const wchar_t* blank : {L" ", L"\t", L"\n", L"\v", L"\f", L"\r"})
        EXPECT_EQ(7, parse(std::wstring(blank) + L"7.1")) << static_cast<int>(blank[0]);
    EXPECT_EQ(7, parse(L" \t7.1"));
    EXPECT_EQ(5, parse(L"+5"));
    EXPECT_EQ(65534, parse(L"\t-2"));
    EXPECT_EQ(8, parse(L"abc"));
    EXPECT_EQ(8, parse(L""));
    EXPECT_EQ(8, parse(L".9"));
    EXPECT_EQ(8, parse(L"+"));
    EXPECT_EQ(8, parse(L"- 1"));
    // Beyond 16 bits, and beyond any int: the low 16 bits, as the number wraps.
    EXPECT_EQ(4464, parse(L"70000"));
    EXPECT_EQ(0, parse(L"65536"));
    EXPECT_EQ(0, parse(L"4294967296"));
    EXPECT_EQ(0, parse(L"2147483648"));
    EXPECT_EQ(59391, parse(L"99999999999"));
    EXPECT_EQ(6145, parse(L"-99999999999"));
    // Sixteen characters with no terminator: the text ends there, not at the next zero.
    const wchar_t unterminated[] = L"0000000000000012345";
    EXPECT_EQ(12, CZrSrv::ParseClientMajorVersion(unterminated, 16));
}

TEST(ClientVersion, BlocksFollowTheRegistry)
{
    ZrTest::CScopedRegistryValue value(ZrTest::ClientVersion);
    auto block = []() {
        const _ZR_VERSION v = CZrSrv::ClientVersionBlock();
        return std::to_wstring(v.Major) + L"." + std::to_wstring(v.Minor) + L"." +
               std::to_wstring(v.Build) + L"." + std::to_wstring(v.Revision) + L"/" +
               std::to_wstring(v.Reserved);
    };

    value.Remove();
    EXPECT_EQ(L"8.3.1406.0/0", block());
    value.SetString(L"8.1");
    EXPECT_EQ(L"8.3.1406.0/0", block());
    value.SetString(L"9.0.1");
    EXPECT_EQ(L"9.0.0.0/0", block());
    value.SetString(L"-1");
    EXPECT_EQ(L"65535.0.0.0/0", block());
    value.SetString(L"10", REG_EXPAND_SZ);
    EXPECT_EQ(L"10.0.0.0/0", block());
    // The type is not asked: digits are digits, whatever type holds them.
    value.Set(REG_BINARY, L"7", 4);
    EXPECT_EQ(L"7.0.0.0/0", block());
    value.SetDword(9);
    EXPECT_EQ(L"8.3.1406.0/0", block());
    // Longer than 32 bytes: unreadable.
    value.SetString(L"1234567890123456");
    EXPECT_EQ(L"8.3.1406.0/0", block());
    // Exactly 32 bytes with no terminator: read within them.
    value.Set(REG_SZ, L"0000000000000012", 32);
    EXPECT_EQ(L"12.0.0.0/0", block());

    // Read from the process's own registry view only (for i686, the 32-bit one).
    ZrTest::CScopedRegistryValue other(ZrTest::InOtherView(ZrTest::ClientVersion));
    value.Remove();
    other.SetString(L"9");
    EXPECT_EQ(L"8.3.1406.0/0", block());
    value.SetString(L"10");
    EXPECT_EQ(L"10.0.0.0/0", block());
}

TEST(ServiceClient, NestedOpensShareOneSession)
{
    CService service;
    {
        CZrSrv client;
        EXPECT_EQ(1u, client.OpenSession(L"@first", 0x1002));
        EXPECT_EQ(1u, client.OpenSession(L"@second", 0));
        EXPECT_EQ(CCalls({"ZrOpenSession"}), service.Calls());
        client.CloseSession();
        EXPECT_EQ(CCalls({"ZrOpenSession"}), service.Calls());
        client.CloseSession();
        EXPECT_EQ(CCalls({"ZrOpenSession", "ZrCloseSession"}), service.Calls());
        // Closed: one more close does nothing, a new open opens anew.
        client.CloseSession();
        EXPECT_EQ(2u, service.Calls().size());
        service.Set(L"ZRSRVAPI_SESSION_ID", L"7");
        EXPECT_EQ(7u, client.OpenSession(L"@third", 0));
        // Not quick, yet the required bit is presented.
        EXPECT_EQ("0x00000002", ZrTest::TraceField(service.Lines().at(2), "flags"));
        client.OpenSession(L"@third", 0x1002);
        client.OpenSession(L"@third", 0x1002);
        EXPECT_EQ(3u, service.Calls().size());
    }
    // Three outstanding opens, one close.
    EXPECT_EQ(CCalls({"ZrOpenSession", "ZrCloseSession", "ZrOpenSession", "ZrCloseSession"}),
              service.Calls());
    EXPECT_FALSE(ServiceLibraryLoaded());
}

TEST(ServiceClient, SessionIdZeroIsNeverClosed)
{
    CService service;
    service.Set(L"ZRSRVAPI_SESSION_ID", L"0");
    {
        CZrSrv client;
        EXPECT_EQ(0u, client.OpenSession(L"@zero", 0x1002));
        // Counted, yet closed as far as closing is concerned.
        EXPECT_EQ(0u, client.OpenSession(L"@zero", 0x1002));
        client.CloseSession();
        // The handle was delivered: information can be asked for.
        void* info = client.SessionGetInfo(nullptr, ZrUserInfoSessionLevel);
        client.BufferFree(info);
    }
    EXPECT_EQ(CCalls({"ZrOpenSession", "ZrSessionGetInfo", "ZrApiBufferFree"}), service.Calls());
}

TEST(ServiceClient, FailuresRaiseAtTheirPlace)
{
    CService service;
    CZrSrv client;

    // No session yet.
    ExpectPlace(Raised([&] { client.SessionGetInfo(nullptr, ZrUserInfoSessionLevel); }),
                ERROR_INVALID_HANDLE, L"2238", L"CZrSrv::SessionGetInfo");

    // A refused open leaves the client as it was, though the library wrote a handle and an
    // identifier into the record: no handle to ask with, and no session for a close to count
    // down, so the next open goes to the service.
    service.Set(L"ZRSRVAPI_OPEN_STATUS", L"0xE6010123");
    service.Set(L"ZRSRVAPI_SESSION_ID", L"9");
    ExpectPlace(Raised([&] { client.OpenSession(L"@x", 0x1002); }), 0xE6010123, L"1401",
                L"CZrSrv::OpenSession");
    ExpectPlace(Raised([&] { client.SessionGetInfo(nullptr, ZrUserInfoSessionLevel); }),
                ERROR_INVALID_HANDLE, L"2238", L"CZrSrv::SessionGetInfo");
    client.CloseSession();
    service.Set(L"ZRSRVAPI_OPEN_STATUS", L"0");
    service.Set(L"ZRSRVAPI_SESSION_ID", L"1");
    EXPECT_EQ(1u, client.OpenSession(L"@x", 0x1002));

    // Service statuses come back unchanged.
    service.Set(L"ZRSRVAPI_GETINFO_STATUS", L"87");
    ExpectPlace(Raised([&] { client.SessionGetInfo(nullptr, ZrUserInfoSessionLevel); }), 87,
                L"2243", L"CZrSrv::SessionGetInfo");
    service.Set(L"ZRSRVAPI_FREE_STATUS", L"0x1F");
    ExpectPlace(Raised([&] { client.BufferFree(nullptr); }), 0x1F, L"1301", L"CZrSrv::BufferFree");

    // A refused close keeps the session's identifiers but counts no open any more: the next
    // open is a new service session.
    service.Set(L"ZRSRVAPI_CLOSE_STATUS", L"0x20");
    ExpectPlace(Raised([&] { client.CloseSession(); }), 0x20, L"1434", L"CZrSrv::CloseSession");
    service.Set(L"ZRSRVAPI_CLOSE_STATUS", L"0");
    client.OpenSession(L"@x", 0x1002);
    client.CloseSession();
    EXPECT_EQ(CCalls({"ZrOpenSession", "ZrOpenSession", "ZrSessionGetInfo", "ZrApiBufferFree",
                      "ZrCloseSession", "ZrOpenSession", "ZrCloseSession"}),
              service.Calls());

    // A session without a handle cannot be closed.
    service.Set(L"ZRSRVAPI_SESSION_HANDLE", L"0");
    client.OpenSession(L"@x", 0x1002);
    ExpectPlace(Raised([&] { client.CloseSession(); }), ERROR_INVALID_HANDLE, L"1430",
                L"CZrSrv::CloseSession");
}

TEST(QuickClient, OpensUnderTheProcessName)
{
    CService service;
    {
        CZrQuick quick;
        void* info = quick->SessionGetInfo(nullptr, ZrUserInfoSessionLevel);
        EXPECT_EQ(2u, *static_cast<const DWORD*>(info));
        quick->BufferFree(info);
        // Without a name only the quick form may build one.
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), quick.Open(nullptr, false));
        // A named open joins the session already held...
        EXPECT_EQ(0u, quick.Open(L"@named", false));
        quick->CloseSession();
        quick->CloseSession();
        // ...and, with none held, opens one under that very name, not quick.
        EXPECT_EQ(0u, quick.Open(L"C:\\Ops\\named.v2", false));
    }
    EXPECT_FALSE(ServiceLibraryLoaded());

    EXPECT_EQ(CCalls({"ZrOpenSession", "ZrSessionGetInfo", "ZrApiBufferFree", "ZrCloseSession",
                      "ZrOpenSession", "ZrCloseSession"}),
              service.Calls());
    char name[64];
    snprintf(name, sizeof(name), "@ZrSrvClientTests%04lX",
             static_cast<unsigned long>(GetCurrentProcessId()));
    EXPECT_EQ(name, ZrTest::TraceField(service.Lines().at(0), "name"));
    EXPECT_EQ("0x00001002", ZrTest::TraceField(service.Lines().at(0), "flags"));
    EXPECT_EQ("C:\\Ops\\named.v2", ZrTest::TraceField(service.Lines().at(4), "name"));
    EXPECT_EQ("0x00000002", ZrTest::TraceField(service.Lines().at(4), "flags"));
}

TEST(QuickClient, RaisesWhatStopsIt)
{
    // No library: the client's own error, unchanged.
    {
        const ZrTest::CTemporaryDirectory empty;
        SetDllDirectoryW(empty.Path().c_str());
        const CZrError error = Raised([] { CZrQuick quick; });
        EXPECT_EQ(0xE601000Du, error.GetCode());
        EXPECT_EQ(L"488", ErrorProperty(error, L"Line"));
        SetDllDirectoryW(nullptr);
    }
    // No ZrOpenSession: its code, at the constructor's place; the library is gone afterwards.
    {
        CService service(L"no-open");
        ExpectPlace(Raised([] { CZrQuick quick; }), 0xE6010032, L"2862", L"CZrQuick::CZrQuick");
        EXPECT_FALSE(ServiceLibraryLoaded());
    }
    // A refused open: the service's code, at the constructor's place.
    {
        CService service;
        service.Set(L"ZRSRVAPI_OPEN_STATUS", L"5");
        ExpectPlace(Raised([] { CZrQuick quick; }), 5, L"2862", L"CZrQuick::CZrQuick");
        EXPECT_EQ(CCalls({"ZrOpenSession"}), service.Calls());
        EXPECT_FALSE(ServiceLibraryLoaded());
    }
}

TEST(QuickClient, RefusedCloseIsSwallowedAndKeepsTheClient)
{
    CService service;
    service.Set(L"ZRSRVAPI_CLOSE_STATUS", L"0x20");
    {
        CZrQuick quick;
    }
    EXPECT_EQ(CCalls({"ZrOpenSession", "ZrCloseSession"}), service.Calls());
    // The client was not deleted, so its library is still loaded.
    EXPECT_TRUE(ServiceLibraryLoaded());
}

namespace
{

// Bytes in use in all heaps of the process.
size_t HeapBytesInUse()
{
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    size_t total = 0;
    for (DWORD i = 0; i < count && i < 64; ++i)
    {
        PROCESS_HEAP_ENTRY entry = {};
        HeapLock(heaps[i]);
        while (HeapWalk(heaps[i], &entry))
        {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                total += entry.cbData;
        }
        HeapUnlock(heaps[i]);
    }
    return total;
}

// Bytes of the address space that hold mapped files and images.
size_t MappedBytes()
{
    size_t total = 0;
    MEMORY_BASIC_INFORMATION region = {};
    for (const BYTE* address = nullptr;
         VirtualQuery(address, &region, sizeof(region)) == sizeof(region);
         address = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize)
    {
        if (region.State == MEM_COMMIT && (region.Type == MEM_MAPPED || region.Type == MEM_IMAGE))
            total += region.RegionSize;
        if (static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize < address)
            break;
    }
    return total;
}

} // namespace

TEST(Leaks, ClientsAndErrorsLeaveNothingBehind)
{
    const ZrTest::CScopedStandIn standIn(L"full");
    auto client = [] {
        CZrQuick quick;
        quick->BufferFree(quick->SessionGetInfo(nullptr, ZrUserInfoSessionLevel));
    };
    auto error = [] {
        try
        {
            ZrBase::ThrowError(ZrBase::CErrorCode(0xE6010032), SourceFile, 523, L"Leaks",
                               L"ZrOpenSession");
        }
        catch (const CZrError& raised)
        {
            EXPECT_EQ(0xE6010032u, raised.GetCode());
            raised.GetDump();
        }
    };
    // Every open reads "ClientVersion": its key is there, once with a value that reads and once
    // with one too long to read.
    ZrTest::CScopedRegistryValue version(ZrTest::ClientVersion);
    version.SetString(L"9");
    // What lives for the process (product language, registry bindings, runtime buffers) is
    // made by the first of each.
    client();
    error();
    const DWORD handles = ZrTest::HandleCount();
    const size_t heap = HeapBytesInUse();
    const size_t mapped = MappedBytes();

    for (int i = 0; i < 500; ++i)
        client();
    version.SetString(L"12345678901234567890");
    for (int i = 0; i < 500; ++i)
        client();
    for (int i = 0; i < 1000; ++i)
        error();

    EXPECT_EQ(nullptr, GetModuleHandleW(L"ZrSrvApi.dll"));
    EXPECT_EQ(nullptr, GetModuleHandleW(L"ZrError.dll"));
    EXPECT_EQ(handles, ZrTest::HandleCount());
    const size_t grown = HeapBytesInUse() - std::min(heap, HeapBytesInUse());
    EXPECT_LT(grown, 16u * 1024) << "heap grew by " << grown << " bytes";
    EXPECT_EQ(mapped, MappedBytes());
}
