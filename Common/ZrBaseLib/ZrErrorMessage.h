// Message text of an error code in the product's language.
//
// Nothing here raises: every lookup yields a text, the code itself when no message exists.
#pragma once

#include "UniqueResource.h"
#include "ZrBase.h"

#include <cstdarg>
#include <cstddef>
#include <string>

namespace ZrBase
{

// Inserts the formatter accepts (%1 to %99). Callers that format with inserts pass this many
// arguments, so a message naming any insert never reads past them.
const size_t MaxMessageInserts = 99;

// Message for a code, insert markers stripped. 0xFFFFFFFF stands for the thread's last error.
std::wstring GetErrorMessage(DWORD code);

// Same, the variable list (const wchar_t*) filling inserts %1, %2, ... in order. The list must
// hold an entry for every insert the message names; pass MaxMessageInserts when unsure.
std::wstring GetErrorMessageEx(DWORD code, ...);

// The lookup proper: from `module`'s message table, or from the system's when it is null.
// `args` null leaves the inserts unformatted.
std::wstring FormatErrorMessage(DWORD code, HMODULE module, va_list* args);

// "0x%08X (%d)": the text of a code that has no message.
std::wstring FormatErrorCode(DWORD code);

// `value` in `radix` (2 to 36); an empty text for any other radix.
std::wstring ULongToString(unsigned long value, int radix);

// Characters to remove at the '%' at `position`: up to `limit` of them, the last one only
// when it is a blank.
size_t InsertMarkerLength(const wchar_t* position, size_t limit);

// Cuts a found message at its last carriage return and removes every '%' with its neighbours.
// Works in place.
void CleanMessageText(wchar_t* text);

// The product's language for messages, read once per process from "ProductLocale"; 0x419 when
// it cannot be read or names no known locale.
LCID GetProductLanguage();

// Reads the "ProductLocale" name (five characters and terminator) under `root`. `count` is in
// characters, terminator included: the capacity on entry, 6 on success or with 122.
// Returns a Win32 code: 87, 13, 122, or the registry's own.
LONG ReadProductLocale(HKEY root, wchar_t* buffer, DWORD* count);
LONG ReadProductLocale(wchar_t* buffer, DWORD* count);

// The message library for one code, chosen by the code's value and mapped as a data file for
// the life of the holder. A failed load leaves the handle null: the system table serves then.
class CMessageLibrary
{
public:
    explicit CMessageLibrary(DWORD code);

    HMODULE GetHandle() const { return m_hModule.Get(); }

    // The library whose message table holds the code, or null for the system table.
    static const wchar_t* LibraryForCode(DWORD code);

private:
    TUniqueResource<HMODULE, &FreeLibrary> m_hModule;
};

} // namespace ZrBase
