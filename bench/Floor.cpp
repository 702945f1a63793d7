// The floor of the start-up benchmark: what no implementation of the tool can avoid, an empty
// console program that loads the service library and frees it.
#include <windows.h>

int wmain()
{
    const HMODULE library = LoadLibraryW(L"ZrSrvApi.dll");
    if (!library)
        return 1;
    FreeLibrary(library);
    return 0;
}
