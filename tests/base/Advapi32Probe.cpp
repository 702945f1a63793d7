// Reports how the product-locale reader holds Advapi32.dll, from a process that does not import
// it (this program links the base library alone):
//   Advapi32Probe <reads>
// prints "before=<0|1> after=<0|1> references=<n>": whether the library was loaded before and
// after <reads> locale reads, and how many references to it were held then.
#include "ZrErrorMessage.h"

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    const int reads = argc > 1 ? _wtoi(argv[1]) : 1;
    const bool before = GetModuleHandleW(L"advapi32.dll") != nullptr;
    for (int i = 0; i < reads; ++i)
    {
        wchar_t name[8];
        DWORD count = 8;
        ZrBase::ReadProductLocale(name, &count);
    }
    const bool after = GetModuleHandleW(L"advapi32.dll") != nullptr;
    // Each FreeLibrary gives one reference back: count them until the library goes. The reader's
    // bindings are stale afterwards, so this is the probe's last act.
    int references = 0;
    for (HMODULE module; references < 10000 && (module = GetModuleHandleW(L"advapi32.dll"));)
    {
        FreeLibrary(module);
        ++references;
    }
    printf("before=%d after=%d references=%d\n", before, after, references);
    return 0;
}
