// Linked into every Windows test program: tells tests/wine/run that the program itself started,
// by creating the file ZR_STARTED_MARKER names before anything else of it runs. A program that
// failed without it never started, and only such a start is tried again.
#include "ZrBase.h"

namespace
{

bool MarkStarted()
{
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"ZR_STARTED_MARKER", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    const HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

const bool g_bStarted = MarkStarted();

} // namespace
