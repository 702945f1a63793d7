#include "NoMemory.h"

extern "C" void* __cdecl NoMemory(size_t)
{
    return nullptr;
}

// Makes every later malloc of the program itself fail, as when memory has run out: its import
// of the C runtime's malloc is pointed at NoMemory. The runtime's own allocations are left
// alone, so that what the program writes still gets out. This library then stays loaded for
// good, since the program may call NoMemory after it unloads us. Answers the imports changed.
unsigned FailProgramAllocations()
{
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&NoMemory), &self);
    BYTE* const base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    unsigned changed = 0;
    for (const IMAGE_IMPORT_DESCRIPTOR* library =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress && library->Name; ++library)
    {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + library->Name), "msvcrt.dll") != 0)
            continue;
        const IMAGE_THUNK_DATA* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(
            base +
            (library->OriginalFirstThunk ? library->OriginalFirstThunk : library->FirstThunk));
        IMAGE_THUNK_DATA* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot)
        {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), "malloc") != 0)
                continue;
            DWORD protection = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE,
                                &protection))
                continue;
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(&NoMemory);
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
            ++changed;
        }
    }
    return changed;
}
