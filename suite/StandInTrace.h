// The stand-in's trace: one line per call, appended to the file ZRSRVAPI_TRACE names.
#pragma once

#include "StandInSettings.h"
#include "ZrSrvTypes.h"

// One line of the trace, built in place.
class CTraceLine
{
public:
    CTraceLine() : m_Length(0) { m_Text[0] = '\0'; }

    CTraceLine& Text(const char* text)
    {
        while (*text && m_Length < Capacity)
            m_Text[m_Length++] = *text++;
        return *this;
    }
    CTraceLine& Wide(const wchar_t* text)
    {
        if (!text)
            return Text("(null)");
        char utf8[512];
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof(utf8), nullptr, nullptr);
        return size > 0 ? Text(utf8) : *this;
    }
    CTraceLine& Number(unsigned long long value, unsigned base = 10, unsigned digits = 1)
    {
        char reversed[32];
        unsigned count = 0;
        do
        {
            reversed[count++] = "0123456789ABCDEF"[value % base];
            value /= base;
        } while (value != 0 || count < digits);
        while (count > 0 && m_Length < Capacity)
            m_Text[m_Length++] = reversed[--count];
        return *this;
    }
    CTraceLine& Hex(unsigned long long value, unsigned digits = 1)
    {
        return Text("0x").Number(value, 16, digits);
    }
    CTraceLine& Pointer(const void* pointer)
    {
        return pointer ? Hex(reinterpret_cast<ULONG_PTR>(pointer)) : Text("null");
    }
    CTraceLine& Version(const _ZR_VERSION& version)
    {
        return Number(version.Major)
            .Text(".")
            .Number(version.Minor)
            .Text(".")
            .Number(version.Build)
            .Text(".")
            .Number(version.Revision)
            .Text(".")
            .Number(version.Reserved);
    }
    // The file a loaded module came from, or "none"; a path with blanks ends the line.
    CTraceLine& Module(HMODULE module)
    {
        wchar_t path[MAX_PATH];
        const DWORD length = module ? GetModuleFileNameW(module, path, MAX_PATH) : 0;
        return length > 0 && length < MAX_PATH ? Wide(path) : Text("none");
    }
    CTraceLine& Bytes(const BYTE* bytes, size_t count)
    {
        for (size_t i = 0; i < count; ++i)
            Number(bytes[i], 16, 2);
        return *this;
    }

    // Appends the line to the trace file, if one is asked for.
    void Write()
    {
        wchar_t path[MAX_PATH];
        if (!SettingText(L"ZRSRVAPI_TRACE", path, MAX_PATH))
            return;
        const HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        m_Text[m_Length++] = '\n';
        DWORD written = 0;
        WriteFile(file, m_Text, static_cast<DWORD>(m_Length), &written, nullptr);
        CloseHandle(file);
    }

private:
    static const size_t Capacity = 1022;
    char m_Text[Capacity + 2];
    size_t m_Length;
};
