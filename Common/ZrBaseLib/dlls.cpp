#include "dlls.h"

namespace ZrBase
{

namespace
{

const wchar_t SourceFile[] = L"Common/ZrBaseLib/dlls";
const unsigned long ErrorExportMissing = 0xE6010032;

std::wstring SlotClassName(const Detail::CSlotSpelling& spelling)
{
    std::wstring name = L"ZrBase::TFunctionCall2<";
    name += spelling.Library;
    name += L",unsigned long (__stdcall*)(";
    name += spelling.Parameters;
    name += L"),";
    name += spelling.Export;
    name += L">";
    return name;
}

} // namespace

std::wstring Detail::SlotConstructorName(const CSlotSpelling& spelling)
{
    return SlotClassName(spelling) + L"::TFunctionCall2";
}

std::wstring Detail::SlotOperatorName(const CSlotSpelling& spelling)
{
    // The operator's own parameter list joins the stars of a pointer to pointer ("void **"),
    // where the class part keeps them apart ("void * *").
    std::wstring parameters = spelling.Parameters;
    for (size_t star = parameters.find(L"* *"); star != std::wstring::npos;
         star = parameters.find(L"* *", star))
        parameters.erase(star + 1, 1);
    return SlotClassName(spelling) + L"::operator unsigned long (__stdcall *)(" + parameters + L")";
}

PGenericProc Detail::BindExport(const wchar_t* libraryName, const char* exportName,
                                const CSlotSpelling& spelling)
{
    // No reference taken: the binding class's base holds the library.
    const HMODULE module = GetModuleHandleW(libraryName);
    if (!module)
    {
        ThrowError(CErrorCode(FailureCode(GetLastError())), SourceFile, 516,
                   SlotConstructorName(spelling).c_str());
    }
    return FindExport(module, exportName);
}

void Detail::RaiseUnboundExport(const char* exportName, const CSlotSpelling& spelling)
{
    ThrowError(CErrorCode(ErrorExportMissing), SourceFile, 523, SlotOperatorName(spelling).c_str(),
               CNarrowToWide(exportName));
}

CDynamicLibrary2::CDynamicLibrary2(const wchar_t* fileName, unsigned long errorCode)
    : m_hModule(LoadLibraryOutsideCurrentFolder(fileName, m_DllDirectory))
{
    if (!m_hModule)
    {
        // Building the error looks its text up; the loader's reason must survive that.
        const CLastErrorGuard loaderError;
        ThrowError(CErrorCode(errorCode), SourceFile, 488,
                   L"ZrBase::CDynamicLibrary2::CDynamicLibrary2");
    }
}

} // namespace ZrBase
