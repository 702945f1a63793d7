// Prints the level of the logon session the tool runs in and returns it as the exit code.
#include "LibrarySearch.h"
#include "ZrSrvClass.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <new>

#if defined(__GLIBCXX__)
// An exception that no handler takes ends the process. GCC's runtime would first print its
// type through its demangler (about 60 KB with the formatter that comes along); the tool has
// nothing to say then, so this takes the place of that handler.
namespace __gnu_cxx
{
void __verbose_terminate_handler()
{
    std::abort();
}
} // namespace __gnu_cxx
#endif

namespace
{

// The one output line, formatted and written by the Windows C runtime as wprintf would. MinGW
// maps wprintf to a formatter of its own, which would more than double the tool's own code.
void PrintLine(const wchar_t* format, unsigned value)
{
    wchar_t line[80];
    ZrBase::FormatInto(line, 80, format, value);
    // A line that cannot be written leaves nothing else to report it on.
    static_cast<void>(fputws(line, stdout));
}

// Asks the service for the level of this process's logon session. Returns 0 and stores the
// level, or the code of the error that stopped the query.
DWORD GetSessionLevel(DWORD* Level)
{
    if (!Level)
        return ERROR_INVALID_PARAMETER;
    *Level = 0;
    try
    {
        // The process is the tool's own: a relative PATH entry would bring the service
        // library's imports and helpers from the current folder.
        if (const DWORD code = ZrBase::DropRelativePathEntries())
            return code;
        CZrQuick srv;
        void* pInfo = srv->SessionGetInfo(nullptr, ZrUserInfoSessionLevel);
        // The service promises a buffer on success; a null one must not pass for a level.
        if (!pInfo)
            ZrBase::ThrowError(ZrBase::CErrorCode(ERROR_INVALID_DATA), L"tool/GetSessionLevel",
                               __LINE__, L"GetSessionLevel");
        // The level is taken before the buffer goes back.
        *Level = *static_cast<const DWORD*>(pInfo);
        srv->BufferFree(pInfo);
        return 0;
    }
    catch (const ZrBase::CZrError& error)
    {
        // An error that reads as code 0 must not pass for success. Nothing here allocates:
        // memory may have run out.
        return ZrBase::FailureCode(error.GetCode());
    }
    // Whatever else stops the query is a failure too: ending the process instead would leave
    // an exit code that reads as a level.
    catch (const std::bad_alloc&)
    {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    catch (...)
    {
        return ERROR_INTERNAL_ERROR;
    }
}

} // namespace

int wmain(int, wchar_t**)
{
    // The first raise of a thread makes the C++ runtime allocate what unwinding needs, and the
    // runtime ends the process when it cannot (exit code 3, read as a level): raised once here,
    // a failure still arrives as a code when memory has run out.
    try
    {
        throw 0;
    }
    catch (int)
    {
    }
    // The user's default locale; the tool runs the same without it.
    static_cast<void>(setlocale(LC_ALL, ""));
    DWORD Level = 0;
    const DWORD code = GetSessionLevel(&Level);
    if (code != 0)
    {
        PrintLine(L"Impossible to get the current session level: 0x%08Xh\n",
                  static_cast<unsigned>(code));
        return 0;
    }
    // %d reads the 32 bits as signed: levels of 0x80000000 and above print negative.
    PrintLine(L"The current session level: %d\n", static_cast<unsigned>(Level));
    return static_cast<int>(Level);
}
