#include "ZrSrvClass.h"

#include "RegistryKey.h"
#include "UniqueResource.h"

#include <cwchar>
#include <memory>

using ZrBase::CErrorCode;
using ZrBase::ThrowError;

namespace
{

const wchar_t SourceFile[] = L"Include/ZrSrvClass";

const wchar_t ClientVersionKey[] = L"SOFTWARE\\Kestrane\\Tessarin 5";
const wchar_t ClientVersionValue[] = L"ClientVersion";
const WORD DefaultMajorVersion = 8;
// Presented for the default major version, or when none can be read.
const _ZR_VERSION DefaultClientVersion = {DefaultMajorVersion, 3, 1406, 0, 0};
const size_t ClientVersionLength = 16;

const size_t ClientBaseNameLength = 80;

// The client's mutex, held: a client without a mutex runs unlocked.
typedef ZrBase::TUniqueResource<HANDLE, &ReleaseMutex> CMutexHold;

HANDLE Acquire(HANDLE mutex)
{
    if (mutex)
        WaitForSingleObject(mutex, INFINITE);
    return mutex;
}

void FreeSessionRecord(_ZR_SESSION* record)
{
    HeapFree(GetProcessHeap(), 0, record);
}

// A zero-filled session record on the process heap, freed on every way out of an open.
typedef ZrBase::TUniqueResource<_ZR_SESSION*, &FreeSessionRecord> CSessionRecord;

} // namespace

CZrSrv::CZrSrv()
    : SessionId(0), SessionHandle(nullptr), OpenCount(0),
      // Without a mutex the client still works, unlocked.
      Mutex(CreateMutexW(nullptr, FALSE, nullptr))
{
}

CZrSrv::~CZrSrv()
{
    if (SessionId != 0)
    {
        OpenCount = 1;
        try
        {
            CloseSession();
        }
        catch (...)
        {
        }
    }
    // The mutex is closed next, by its holder, and the library unloaded last, by the base.
}

DWORD CZrSrv::OpenSession(const wchar_t* clientName, DWORD flags)
{
    const CMutexHold _criticalOp(Acquire(Mutex.Get()));
    if (OpenCount != 0)
    {
        InterlockedIncrement(&OpenCount);
        return SessionId;
    }

    const CSessionRecord ss(static_cast<_ZR_SESSION*>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(_ZR_SESSION))));
    _ZR_SESSION* const record = ss.Get();
    if (!record)
        ThrowError(CErrorCode(ERROR_NOT_ENOUGH_MEMORY), SourceFile, __LINE__,
                   L"CZrSrv::OpenSession");
    record->ClientName = clientName;
    record->ClientVersion = ClientVersionBlock();
    record->KernelVersion = ClientVersionBlock();
    record->Flags = flags | ZR_SESSION_FLAG_REQUIRED;

    const DWORD status = ZrOpenSession(record);
    if (status != 0)
        ThrowError(CErrorCode(status), SourceFile, 1401, L"CZrSrv::OpenSession");

    SessionHandle = record->SessionHandle;
    SessionId = record->SessionId;
    InterlockedIncrement(&OpenCount);
    return SessionId;
}

void CZrSrv::CloseSession()
{
    const CMutexHold _criticalOp(Acquire(Mutex.Get()));
    if (SessionId == 0)
        return;
    if (InterlockedDecrement(&OpenCount) != 0)
        return;
    // A failure below leaves the session as it was, with no opens counted.
    if (!SessionHandle)
        ThrowError(CErrorCode(ERROR_INVALID_HANDLE), SourceFile, 1430, L"CZrSrv::CloseSession");
    const DWORD status = ZrCloseSession(SessionHandle);
    if (status != 0)
        ThrowError(CErrorCode(status), SourceFile, 1434, L"CZrSrv::CloseSession");
    SessionId = 0;
    SessionHandle = nullptr;
}

void* CZrSrv::SessionGetInfo(_LUID* logonId, _EZrUserInfo infoClass)
{
    if (!SessionHandle)
        ThrowError(CErrorCode(ERROR_INVALID_HANDLE), SourceFile, 2238, L"CZrSrv::SessionGetInfo");
    void* pInfo = nullptr;
    const DWORD status = ZrSessionGetInfo(SessionHandle, logonId, infoClass, &pInfo);
    if (status != 0)
        ThrowError(CErrorCode(status), SourceFile, 2243, L"CZrSrv::SessionGetInfo");
    return pInfo;
}

void CZrSrv::BufferFree(void* buffer)
{
    const DWORD status = ZrApiBufferFree(buffer);
    if (status != 0)
        ThrowError(CErrorCode(status), SourceFile, 1301, L"CZrSrv::BufferFree");
}

_ZR_VERSION CZrSrv::ClientVersionBlock()
{
    _ZR_VERSION version = DefaultClientVersion;
    version.Major = ReadClientMajorVersion();
    if (version.Major != DefaultClientVersion.Major)
        version.Minor = version.Build = version.Revision = 0;
    return version;
}

WORD CZrSrv::ReadClientMajorVersion()
{
    ZrBase::CProcessRegistryKey hKey;
    if (hKey.Open(HKEY_LOCAL_MACHINE, ClientVersionKey, 0, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return DefaultMajorVersion;
    // Whatever type the value has: only its characters are read.
    wchar_t Buf[ClientVersionLength] = {};
    DWORD cbBuf = sizeof(Buf);
    const LONG result = hKey.QueryValue(ClientVersionValue, nullptr, Buf, &cbBuf);
    hKey.Close();
    if (result != ERROR_SUCCESS)
        return DefaultMajorVersion;
    return ParseClientMajorVersion(Buf, ClientVersionLength);
}

WORD CZrSrv::ParseClientMajorVersion(const wchar_t* text, size_t length)
{
    // Read as "%d" would read it, but with one result for every length of number: C runtimes
    // disagree on numbers beyond an int, so the digits are taken modulo 2^16 as they come.
    // The value may fill the whole read without a terminator: nothing past `length` is read.
    const size_t end = length < ClientVersionLength ? length : ClientVersionLength;
    size_t i = 0;
    while (i < end && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r')))
        ++i;
    const bool negative = i < end && text[i] == L'-';
    if (i < end && (text[i] == L'-' || text[i] == L'+'))
        ++i;
    if (i == end || text[i] < L'0' || text[i] > L'9')
        return DefaultMajorVersion;
    WORD Ver = 0;
    for (; i < end && text[i] >= L'0' && text[i] <= L'9'; ++i)
        Ver = static_cast<WORD>(Ver * 10 + (text[i] - L'0'));
    return negative ? static_cast<WORD>(0 - Ver) : Ver;
}

CZrQuick::CZrQuick() : m_pClient(nullptr)
{
    // Owned here until the constructor succeeds: whatever leaves Open, a CZrError or not, the
    // client goes with it (the destructor of a half-built holder never runs).
    std::unique_ptr<CZrSrv> client(new CZrSrv);
    m_pClient = client.get();
    const DWORD code = Open(nullptr, true);
    if (code != 0)
    {
        m_pClient = nullptr;
        client.reset();
        ThrowError(CErrorCode(code), SourceFile, 2862, L"CZrQuick::CZrQuick");
    }
    m_pClient = client.release();
}

CZrQuick::~CZrQuick()
{
    // A close the service refuses leaves the client, and the library, in place.
    try
    {
        if (m_pClient)
            m_pClient->CloseSession();
        delete m_pClient;
    }
    catch (...)
    {
    }
    m_pClient = nullptr;
}

DWORD CZrQuick::Open(const wchar_t* clientName, bool quick)
{
    if (!clientName && !quick)
        return ERROR_INVALID_PARAMETER;
    if (!m_pClient)
        return ERROR_INVALID_HANDLE;

    std::wstring sName;
    if (clientName)
    {
        sName = clientName;
    }
    else
    {
        wchar_t szProcessName[MAX_PATH];
        if (GetModuleFileNameW(nullptr, szProcessName, MAX_PATH) == 0)
            return ZrBase::FailureCode(GetLastError());
        szProcessName[MAX_PATH - 1] = L'\0';
        const DWORD result = MakeClientName(szProcessName, GetCurrentProcessId(), sName);
        if (result != 0)
            return result;
    }

    try
    {
        m_pClient->OpenSession(sName.c_str(), quick ? ZR_QUICK_OPEN_FLAGS : 0);
    }
    catch (const ZrBase::CZrError& error)
    {
        return ZrBase::FailureCode(error.GetCode());
    }
    return 0;
}

DWORD CZrQuick::MakeClientName(const wchar_t* path, DWORD processId, std::wstring& name)
{
    if (!path)
        return ERROR_INVALID_PARAMETER;
    wchar_t szProcessName[MAX_PATH];
    lstrcpynW(szProcessName, path, MAX_PATH);
    wchar_t* fileName = wcsrchr(szProcessName, L'\\');
    if (!fileName)
        return ERROR_BAD_ENVIRONMENT;
    ++fileName;
    // The extension is searched in the file name only: a dot in a folder name is no extension.
    if (wchar_t* extension = wcsrchr(fileName, L'.'))
        *extension = L'\0';

    wchar_t szTmp[ClientBaseNameLength + 1];
    lstrcpynW(szTmp, fileName, ClientBaseNameLength + 1);
    // The C runtime's formatter rather than USER32's wsprintfW: loading USER32 would double the
    // tool's start-up time for this one call.
    ZrBase::FormatInto(szProcessName, MAX_PATH, L"@%ls%04X", szTmp,
                       static_cast<unsigned>(processId));
    name = szProcessName;
    return 0;
}
