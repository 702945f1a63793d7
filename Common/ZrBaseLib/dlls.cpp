#include "dlls.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace ZrBase
{

namespace
{

const wchar_t SourceFile[] = L"Common/ZrBaseLib/dlls";
const unsigned long ErrorExportMissing = 0xE6010032;

// The text a Windows "get text" function writes. Most answer the length they need, terminator
// included, when the buffer is too small; GetModuleFileNameW fills the buffer and answers its
// size. 0 is a failure or no text.
template <class Get>
std::wstring QueryText(Get get)
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;)
    {
        const DWORD length = get(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(std::max<size_t>(length + 1, buffer.size() * 2));
    }
}

std::wstring ModulePath(HMODULE module)
{
    return QueryText([module](wchar_t* b, DWORD n) { return GetModuleFileNameW(module, b, n); });
}

// "X:\..." or "\\server\share...": a folder that does not depend on the current one.
bool IsAbsoluteFolder(const std::wstring& folder)
{
    auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (folder.size() >= 3 && folder[1] == L':' && separator(folder[2]))
        return (folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z');
    return folder.size() >= 3 && separator(folder[0]) && separator(folder[1]);
}

// The loader's standard search for a bare library name, without the current folder: the
// program's folder, the one SetDllDirectoryW set, the system folder, the 16-bit system folder,
// the Windows folder and the absolute entries of PATH, in that order. Whoever starts the
// program chooses the current folder, and a library found there would run with the caller's
// rights; a relative PATH entry is the current folder again.
std::vector<std::wstring> LibraryFolders()
{
    std::vector<std::wstring> folders;
    const std::wstring program = ModulePath(nullptr);
    folders.push_back(program.substr(0, program.find_last_of(L"\\/") + 1));
    folders.push_back(QueryText([](wchar_t* b, DWORD n) { return GetDllDirectoryW(n, b); }));
    folders.push_back(QueryText([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); }));
    const std::wstring windows =
        QueryText([](wchar_t* b, DWORD n) { return GetSystemWindowsDirectoryW(b, n); });
    if (!windows.empty())
        folders.push_back(windows + L"\\System");
    folders.push_back(windows);
    const std::wstring path =
        QueryText([](wchar_t* b, DWORD n) { return GetEnvironmentVariableW(L"PATH", b, n); });
    for (size_t start = 0; start <= path.size();)
    {
        size_t end = path.find(L';', start);
        if (end == std::wstring::npos)
            end = path.size();
        folders.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

// The file that a bare `fileName` names in the first of the library folders that holds it;
// empty when none does.
std::wstring FindLibrary(const wchar_t* fileName)
{
    for (std::wstring folder : LibraryFolders())
    {
        if (!IsAbsoluteFolder(folder))
            continue;
        if (folder.back() != L'\\' && folder.back() != L'/')
            folder += L'\\';
        std::wstring file = folder + fileName;
        const DWORD attributes = GetFileAttributesW(file.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return file;
    }
    return std::wstring();
}

// Loads `fileName`: as given when it names a folder, else from the library folders. A library
// of that name that the process has loaded already is the one taken, as the loader would.
// The caller's last error survives a load; a failed one leaves the loader's reason.
HMODULE LoadFromLibraryFolders(const wchar_t* fileName)
{
    if (wcspbrk(fileName, L"\\/:"))
        return LoadLibraryW(fileName);
    const DWORD callerError = GetLastError();
    const HMODULE loaded = GetModuleHandleW(fileName);
    const std::wstring file = loaded ? ModulePath(loaded) : FindLibrary(fileName);
    if (file.empty())
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Its own dependencies are looked for beside it first.
    const HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module)
        SetLastError(callerError);
    return module;
}

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
        const DWORD error = GetLastError();
        ThrowError(CErrorCode(error ? error : ERROR_INTERNAL_ERROR), SourceFile, 516,
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
    : m_hModule(nullptr)
{
    m_hModule = LoadFromLibraryFolders(fileName);
    if (!m_hModule)
    {
        // Building the error looks its text up; the loader's reason must survive that.
        const CLastErrorGuard loaderError;
        ThrowError(CErrorCode(errorCode), SourceFile, 488,
                   L"ZrBase::CDynamicLibrary2::CDynamicLibrary2");
    }
}

CDynamicLibrary2::~CDynamicLibrary2()
{
    const CLastErrorGuard callerError;
    if (m_hModule)
        FreeLibrary(m_hModule);
}

} // namespace ZrBase
