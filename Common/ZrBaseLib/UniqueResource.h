// The one shape of every holder: own one resource, release it on every way out.
#pragma once

#include "ZrBase.h"

namespace ZrBase
{

// Keeps the thread's last-error value across a scope.
class CLastErrorGuard
{
public:
    CLastErrorGuard() : m_dwLastError(GetLastError()) {}
    ~CLastErrorGuard() { SetLastError(m_dwLastError); }
    CLastErrorGuard(const CLastErrorGuard&) = delete;
    CLastErrorGuard& operator=(const CLastErrorGuard&) = delete;

private:
    DWORD m_dwLastError;
};

// Owns one T (a handle or pointer; T() holds nothing) and gives it back with Close, whose
// result is ignored: a release that fails has nowhere to go from a destructor. With
// KeepLastError the release leaves the thread's last-error value as it found it, for holders
// whose callers read it after the holder is gone. Never put a borrowed value in one.
template <class T, auto Close, bool KeepLastError = false>
class TUniqueResource
{
public:
    TUniqueResource() : m_value() {}
    explicit TUniqueResource(T value) : m_value(value) {}
    ~TUniqueResource() { Reset(); }
    TUniqueResource(const TUniqueResource&) = delete;
    TUniqueResource& operator=(const TUniqueResource&) = delete;

    T Get() const { return m_value; }
    explicit operator bool() const { return m_value != T(); }

    // Where a creating function writes the new resource; what was held goes first.
    T* Receive()
    {
        Reset();
        return &m_value;
    }

    // Releases what is held and takes `value` in its place.
    void Reset(T value = T())
    {
        const T old = m_value;
        m_value = value;
        if (old == T())
            return;
        if constexpr (KeepLastError)
        {
            const CLastErrorGuard callerError;
            static_cast<void>(Close(old));
        }
        else
        {
            static_cast<void>(Close(old));
        }
    }

private:
    T m_value;
};

} // namespace ZrBase
