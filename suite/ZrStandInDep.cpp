// A library of the stand-in's own, imported by the "with-dependency" variant of ZrSrvApi.dll:
// where it is found shows where the service library's dependencies are looked for.
#include <windows.h>

extern "C" BOOL WINAPI DllMainCRTStartup(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

extern "C" __declspec(dllexport) unsigned long ZrStandInDependency()
{
    return 1;
}
