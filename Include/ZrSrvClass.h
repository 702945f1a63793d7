// The client of the suite's local security service, and its scoped form for one query.
//
// Every raise records the source "Include/ZrSrvClass" with the line and function of its site.
#pragma once

#include "UniqueResource.h"
#include "ZrSrvApi.h"

#include <string>

// Owns the bound service library and at most one open service session, shared by nested
// opens through a count. Opening and closing are serialised by the client's own mutex.
class CZrSrv : public CZrSrvApi
{
public:
    // Raises what loading and binding the library raise.
    CZrSrv();
    // Closes a session still open, once however many opens are outstanding; never raises.
    ~CZrSrv();
    CZrSrv(const CZrSrv&) = delete;
    CZrSrv& operator=(const CZrSrv&) = delete;

    // Opens a session under `clientName` (which must live through the call), or counts one more
    // open of the session already held. Returns the session identifier.
    DWORD OpenSession(const wchar_t* clientName, DWORD flags);
    // Ends one open; the last one closes the service session.
    void CloseSession();
    // A buffer the service library allocated; give it back with BufferFree. `logonId` null
    // asks for the caller's own logon session.
    void* SessionGetInfo(_LUID* logonId, _EZrUserInfo infoClass);
    void BufferFree(void* buffer);

    // The version block presented to the service: 8.3.1406.0 for major version 8 or an
    // unreadable one, m.0.0.0 for any other major version m.
    static _ZR_VERSION ClientVersionBlock();
    // The leading number of the registry's "ClientVersion", low 16 bits; 8 when unavailable.
    static WORD ReadClientMajorVersion();
    // The leading number of `text` (after blanks, with an optional sign), low 16 bits however
    // many digits it has: -1 gives 65535, 65536 gives 0. Read within its first `length`
    // characters (at most 16), whether or not a terminator follows; 8 when there is no number.
    static WORD ParseClientMajorVersion(const wchar_t* text, size_t length);

private:
    DWORD SessionId;
    void* SessionHandle;
    volatile LONG OpenCount;
    ZrBase::TUniqueResource<HANDLE, &CloseHandle> Mutex;
};

// Creates a client and opens a session under the process's own client name for its lifetime.
class CZrQuick
{
public:
    // Raises the client's construction error unchanged, and any failure to open at its own place.
    CZrQuick();
    // Closes the session and deletes the client; never raises.
    ~CZrQuick();
    CZrQuick(const CZrQuick&) = delete;
    CZrQuick& operator=(const CZrQuick&) = delete;

    // Opens a session under `clientName`, or under the process's own name when it is null and
    // `quick` is set. Returns a Win32 or service code, 0 on success; never raises a CZrError.
    DWORD Open(const wchar_t* clientName, bool quick);

    CZrSrv* operator->() const { return m_pClient; }

    // "@", the file name of `path` without directory and extension (at most 80 characters) and
    // `processId` in hexadecimal. ERROR_BAD_ENVIRONMENT when the path holds no backslash.
    static DWORD MakeClientName(const wchar_t* path, DWORD processId, std::wstring& name);

private:
    // Owned: deleted by the destructor, unless the service refused the close.
    CZrSrv* m_pClient;
};

// Flags of the tool's quick open.
const DWORD ZR_QUICK_OPEN_FLAGS = 0x1002;
