// Types of the service library's interface, ZrSrvApi.dll.
//
// The record layouts are the library's 32-bit ABI; the 64-bit build keeps the field order with
// natural alignment. Types the system only passes through are declared and left opaque.
#pragma once

#include "ZrBase.h"

#include <cstddef>

// A version as the service compares it; the last field is always 0.
struct _ZR_VERSION
{
    WORD Major;
    WORD Minor;
    WORD Build;
    WORD Revision;
    DWORD Reserved;
};

// The record of ZrOpenSession. The caller allocates it zero-filled and frees it as soon as the
// call returns; the library keeps neither the record nor the name.
struct _ZR_SESSION
{
    const wchar_t* ClientName; // in
    DWORD Reserved1;           // in, 0
    DWORD Reserved2;           // in, 0
    _ZR_VERSION ClientVersion; // in
    _ZR_VERSION KernelVersion; // in, the same as ClientVersion here
    DWORD Reserved3;           // in, 0
    DWORD Flags;               // in, ZR_SESSION_FLAG_REQUIRED always set
    void* SessionHandle;       // out: the handle for the other calls
    DWORD SessionId;           // out: nonzero marks the session open
    BYTE Reserved4[12];        // not set by the caller
};

const DWORD ZR_SESSION_FLAG_REQUIRED = 0x2;

#if defined(_M_IX86) || defined(__i386__)
static_assert(sizeof(_ZR_VERSION) == 12, "version block layout");
static_assert(sizeof(_ZR_SESSION) == 64, "session record layout");
static_assert(offsetof(_ZR_SESSION, ClientName) == 0, "session record layout");
static_assert(offsetof(_ZR_SESSION, Reserved1) == 4, "session record layout");
static_assert(offsetof(_ZR_SESSION, Reserved2) == 8, "session record layout");
static_assert(offsetof(_ZR_SESSION, ClientVersion) == 12, "session record layout");
static_assert(offsetof(_ZR_SESSION, KernelVersion) == 24, "session record layout");
static_assert(offsetof(_ZR_SESSION, Reserved3) == 36, "session record layout");
static_assert(offsetof(_ZR_SESSION, Flags) == 40, "session record layout");
static_assert(offsetof(_ZR_SESSION, SessionHandle) == 44, "session record layout");
static_assert(offsetof(_ZR_SESSION, SessionId) == 48, "session record layout");
static_assert(offsetof(_ZR_SESSION, Reserved4) == 52, "session record layout");
#elif defined(_M_X64) || defined(__x86_64__)
static_assert(sizeof(_ZR_SESSION) == 72, "session record layout");
static_assert(offsetof(_ZR_SESSION, ClientVersion) == 16, "session record layout");
static_assert(offsetof(_ZR_SESSION, Flags) == 44, "session record layout");
static_assert(offsetof(_ZR_SESSION, SessionHandle) == 48, "session record layout");
static_assert(offsetof(_ZR_SESSION, SessionId) == 56, "session record layout");
#endif

// Information classes of the user and session queries. Only the session level is used here.
enum _EZrUserInfo : int
{
    ZrUserInfoSessionLevel = 11, // begins with the session level, an unsigned 32-bit value
};

// Enumerations the system never interprets.
enum _ZR_PRODUCT_TYPE : int;
enum _EZrTessarinEvent : int;
enum _EZrStorageType : int;
enum _EZrPolicyInfo : int;
enum _EZrUserLookup : int;
enum _ZRE_OBJECT_ACCESS_MASK : int;
enum _ZRE_OBJECT_TYPE : int;
enum _ZRE_DORNEL_INFO : int;
enum _ZRE_COMPUTER_INFO : int;
enum _ZRE_DOMAIN_NAME_TYPE : int;
enum _ZRE_QUEUE_TYPE : int;
enum _ZRE_LOGON_INFO : int;

// Records the system never looks inside.
struct _ZR_PRODUCTINFO;
struct _ZR_PRODUCTINFO_EX;
struct _ZR_SUBSYSTEMINFO;
struct _ZR_USER_INFO_ELID;
struct _ZR_USER_INFO_ELIST;
struct _ZR_USER_INFO_AUTH;
struct _ZR_USER_INFO_PRIVILEGES;
struct _ZR_ENUMERATION_INFORMATION;
struct _ZR_SESSION_ENUM;
struct _ZR_POLICY_INFO_PASSWORD;
struct _ZR_DORNEL_CONTROL_KEYS;
struct _ZR_TERMINAL_CLIENT_INFO;
struct _SID_ARRAY;
