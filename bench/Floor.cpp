// The floor of the start-up benchmark: what no implementation of the tool can avoid. It loads
// the service library, opens a session with a valid record, asks for the session's
// information, gives the buffer back, closes the session, frees the library and prints the
// line; nothing else (no search of its own, one look-up per call it makes, no registry, no
// error texts).
#include "ZrSrvTypes.h"

#include <cstdio>

namespace
{

typedef unsigned long(__stdcall* POpenSession)(_ZR_SESSION*);
typedef unsigned long(__stdcall* PSessionGetInfo)(void*, _LUID*, _EZrUserInfo, void**);
typedef unsigned long(__stdcall* PSessionCall)(void*);

template <class T>
T Export(HMODULE library, const char* name)
{
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

} // namespace

int wmain()
{
    const HMODULE library = LoadLibraryW(L"ZrSrvApi.dll");
    if (!library)
        return 1;
    const auto open = Export<POpenSession>(library, "ZrOpenSession");
    const auto getInfo = Export<PSessionGetInfo>(library, "ZrSessionGetInfo");
    const auto free = Export<PSessionCall>(library, "ZrApiBufferFree");
    const auto close = Export<PSessionCall>(library, "ZrCloseSession");
    DWORD level = 0;
    if (open && getInfo && free && close)
    {
        const _ZR_VERSION version = {8, 3, 1406, 0, 0};
        _ZR_SESSION record = {};
        record.ClientName = L"@FloorProgram0000";
        record.ClientVersion = version;
        record.KernelVersion = version;
        record.Flags = 0x1002;
        void* info = nullptr;
        if (open(&record) == 0)
        {
            if (getInfo(record.SessionHandle, nullptr, ZrUserInfoSessionLevel, &info) == 0 && info)
            {
                level = *static_cast<const DWORD*>(info);
                free(info);
            }
            close(record.SessionHandle);
        }
    }
    FreeLibrary(library);
    printf("The current session level: %d\n", static_cast<int>(level));
    return static_cast<int>(level);
}
