// The binding of the service library ZrSrvApi.dll: one typed slot per export, in table order.
#pragma once

#include "ZrSrvTypes.h"
#include "dlls.h"

// Loads ZrSrvApi.dll (0xE601000D when it cannot be loaded) and binds every export of the table.
class CZrSrvApi : public ZrBase::CDynamicLibrary2
{
public:
    CZrSrvApi();

    class CLibName
    {
    public:
        const wchar_t* GetName() const { return L"ZrSrvApi.dll"; }
    };

    // For each export Zr<Name>: the traits class CZr<Name> and the slot Zr<Name>.
#define ZR_SRVAPI_EXPORT(Use, Export, ...)                                                         \
    class C##Export                                                                                \
    {                                                                                              \
    public:                                                                                        \
        const char* GetName() const { return #Export; }                                            \
    };                                                                                             \
    ZrBase::TFunctionCall2<CLibName, unsigned long(__stdcall*)(__VA_ARGS__), C##Export> Export;
#include "ZrSrvApi.inc"
};

namespace ZrBase
{

template <>
struct TSlotSpelling<CZrSrvApi::CLibName>
{
    static const wchar_t* Name() { return L"class CZrSrvApi::CLibName"; }
};

#define ZR_SRVAPI_EXPORT(Use, Export, ...)                                                         \
    template <>                                                                                    \
    struct TSlotSpelling<CZrSrvApi::C##Export>                                                     \
    {                                                                                              \
        static const wchar_t* Name() { return L"class CZrSrvApi::C" #Export; }                     \
        static const wchar_t* Parameters() { return L"" #__VA_ARGS__; }                            \
    };
#include "ZrSrvApi.inc"

} // namespace ZrBase
