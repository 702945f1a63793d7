// The stack protector's guard value and its failure routine for GCC's -fstack-protector. The
// compiler's own library for them seeds the guard through Advapi32.dll, a dependency this code
// avoids; MSVC has its own (/GS).
#include "ZrBase.h"

#if defined(__GNUC__)

extern "C"
{

    // Read by every checked function as a pointer-sized value; its C name is all that links.
    ULONG_PTR __stack_chk_guard = 0;

    // A stack buffer ran over its frame: nothing of the process can be trusted any more, so it ends
    // at once, with the status Windows gives for the same failure.
    [[noreturn]] void __stack_chk_fail()
    {
        const UINT StackBufferOverrun = 0xC0000409;
        TerminateProcess(GetCurrentProcess(), StackBufferOverrun);
        for (;;)
            ;
    }

} // extern "C"

namespace
{

// Runs before any function that checks the guard is entered, and must not check it itself: a
// frame entered before the guard changed would find it changed on return.
__attribute__((constructor, no_stack_protector)) void SeedStackGuard()
{
    // What MSVC's runtime seeds its guard from: unknowable enough from outside the process for a
    // value that is never shown.
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    ULONG_PTR seed = (static_cast<ULONG_PTR>(time.dwHighDateTime) << 16) ^ time.dwLowDateTime;
    seed ^= static_cast<ULONG_PTR>(GetCurrentProcessId()) << 8;
    seed ^= GetCurrentThreadId();
    seed ^= GetTickCount();
    seed ^=
        static_cast<ULONG_PTR>(counter.QuadPart) ^ static_cast<ULONG_PTR>(counter.QuadPart >> 32);
    seed ^= reinterpret_cast<ULONG_PTR>(&time);
    __stack_chk_guard = seed ? seed : 0x2B992DDF;
}

} // namespace

#endif
