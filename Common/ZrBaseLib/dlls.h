// Libraries loaded at run time and their exports bound to typed call slots.
//
// A binding class derives from CDynamicLibrary2, which loads the library, and declares one
// TFunctionCall2 slot per export. Binding is lenient: a missing export leaves its slot empty,
// and only a call through an empty slot raises.
#pragma once

#include "LibrarySearch.h"
#include "UniqueResource.h"
#include "ZrBase.h"
#include "ZrError.h"

#include <string>

namespace ZrBase
{

// Owns one load reference of a library for the life of the object.
class CDynamicLibrary2
{
public:
    // Loads `fileName` (LoadLibraryOutsideCurrentFolder). Raises `errorCode` (not the loader's
    // reason, which stays in the last error) when that fails.
    CDynamicLibrary2(const wchar_t* fileName, unsigned long errorCode);
    CDynamicLibrary2(const CDynamicLibrary2&) = delete;
    CDynamicLibrary2& operator=(const CDynamicLibrary2&) = delete;

private:
    // Declared first: restored only after the library is gone.
    CLibraryDllDirectory m_DllDirectory;
    // Unloaded with the thread's last-error value left as it was.
    TUniqueResource<HMODULE, &FreeLibrary, true> m_hModule;
};

// How a slot's template arguments read in the function names its errors record. A binding
// class specialises it for its library traits and for each export's traits with
//   static const wchar_t* Name();        // e.g. "class CZrSrvApi::CZrOpenSession"
// and, for export traits only,
//   static const wchar_t* Parameters();  // e.g. "void *,struct _LUID *,enum _EZrUserInfo,void * *"
template <class T>
struct TSlotSpelling;

namespace Detail
{

struct CSlotSpelling
{
    const wchar_t* Library;
    const wchar_t* Export;
    const wchar_t* Parameters;
};

// The recorded names of a slot's constructor and conversion operator. Every export of a
// binding returns a 32-bit status with the __stdcall convention.
std::wstring SlotConstructorName(const CSlotSpelling& spelling);
std::wstring SlotOperatorName(const CSlotSpelling& spelling);

// Finds `exportName` in the already loaded `libraryName`; null when the library lacks it.
// Raises the last error when the library is not loaded.
PGenericProc BindExport(const wchar_t* libraryName, const char* exportName,
                        const CSlotSpelling& spelling);

[[noreturn]] void RaiseUnboundExport(const char* exportName, const CSlotSpelling& spelling);

} // namespace Detail

// One export of the library that LibName names, typed FnType, named by Traits.
//
// The library must already be loaded by the enclosing binding class, built first: the slot
// takes no reference of its own, and its entry point lives as long as the binding's load.
template <class LibName, class FnType, class Traits>
class TFunctionCall2
{
public:
    TFunctionCall2()
        : m_pfn(reinterpret_cast<FnType>(
              Detail::BindExport(LibName().GetName(), Traits().GetName(), Spelling())))
    {
    }
    TFunctionCall2(const TFunctionCall2&) = delete;
    TFunctionCall2& operator=(const TFunctionCall2&) = delete;

    // The entry point; a call through a slot whose export is missing raises 0xE6010032.
    operator FnType() const
    {
        if (!m_pfn)
            Detail::RaiseUnboundExport(Traits().GetName(), Spelling());
        return m_pfn;
    }

private:
    static Detail::CSlotSpelling Spelling()
    {
        return Detail::CSlotSpelling{TSlotSpelling<LibName>::Name(), TSlotSpelling<Traits>::Name(),
                                     TSlotSpelling<Traits>::Parameters()};
    }

    FnType m_pfn;
};

} // namespace ZrBase
