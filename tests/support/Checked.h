// What the test helpers share: a failed Windows call stops the test with its error, and a
// handle holder for files that may not have opened.
#pragma once

#include "UniqueResource.h"
#include "ZrBase.h"

#include <stdexcept>
#include <string>

namespace ZrTest
{

inline void Check(bool condition, const char* what)
{
    if (!condition)
        throw std::runtime_error(std::string(what) + " failed, error " +
                                 std::to_string(GetLastError()));
}

inline BOOL CloseValidHandle(HANDLE handle)
{
    return handle != INVALID_HANDLE_VALUE && CloseHandle(handle);
}

// A handle, or INVALID_HANDLE_VALUE from a file that did not open.
typedef ZrBase::TUniqueResource<HANDLE, &CloseValidHandle> CHandle;

} // namespace ZrTest
