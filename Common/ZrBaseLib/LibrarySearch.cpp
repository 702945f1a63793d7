#include "LibrarySearch.h"

#include "UniqueResource.h"
#include "ZrError.h"

#include <algorithm>
#include <cwchar>

namespace ZrBase
{

namespace
{

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

std::wstring DllDirectory()
{
    return QueryText([](wchar_t* b, DWORD n) { return GetDllDirectoryW(n, b); });
}

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

std::wstring FolderOf(const std::wstring& file)
{
    return file.substr(0, file.find_last_of(L"\\/") + 1);
}

// The entries of a PATH value, empty ones included.
std::vector<std::wstring> PathEntries(const std::wstring& path)
{
    std::vector<std::wstring> entries;
    for (size_t start = 0; start <= path.size();)
    {
        size_t end = path.find(L';', start);
        if (end == std::wstring::npos)
            end = path.size();
        entries.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

std::wstring PathVariable()
{
    return QueryText([](wchar_t* b, DWORD n) { return GetEnvironmentVariableW(L"PATH", b, n); });
}

// The holds on the DLL directory this process set; the lock makes the read, the set and the
// count one step.
SRWLOCK g_DllDirectoryLock = SRWLOCK_INIT;
unsigned g_DllDirectoryHolds = 0;

// Sets the directory to `folder` where none is held and it reads empty, or joins the holds on
// the one set so; false where the host's own serves.
bool HoldDllDirectory(const std::wstring& folder)
{
    AcquireSRWLockExclusive(&g_DllDirectoryLock);
    const bool held =
        g_DllDirectoryHolds > 0 || (DllDirectory().empty() && SetDllDirectoryW(folder.c_str()));
    if (held)
        ++g_DllDirectoryHolds;
    ReleaseSRWLockExclusive(&g_DllDirectoryLock);
    return held;
}

// LOAD_WITH_ALTERED_SEARCH_PATH looks for the library's dependencies beside it, then in the DLL
// directory or, where none is set, the current folder, then the system folders and PATH. Its
// own folder as the DLL directory takes the current folder out, on Windows and under Wine alike
// (an empty one would do on Windows, but Wine ignores it), and brings that folder into the
// search of what the library loads later by bare name.
HMODULE LoadWithDependencies(const std::wstring& file, CLibraryDllDirectory& directory)
{
    if (HoldDllDirectory(FolderOf(file)))
        directory.Reset(true);
    const HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        directory.Reset(); // keeps the loader's reason
    return module;
}

} // namespace

BOOL Detail::ReleaseDllDirectory(bool)
{
    AcquireSRWLockExclusive(&g_DllDirectoryLock);
    const BOOL released = --g_DllDirectoryHolds > 0 || SetDllDirectoryW(L"");
    ReleaseSRWLockExclusive(&g_DllDirectoryLock);
    return released;
}

CSearchPlaces CurrentSearchPlaces()
{
    CSearchPlaces places;
    places.ProgramPath = ModulePath(nullptr);
    places.DllDirectory = DllDirectory();
    places.SystemFolder = QueryText([](wchar_t* b, DWORD n) { return GetSystemDirectoryW(b, n); });
    places.WindowsFolder =
        QueryText([](wchar_t* b, DWORD n) { return GetSystemWindowsDirectoryW(b, n); });
    places.Path = PathVariable();
    return places;
}

bool IsAbsoluteFolder(const std::wstring& folder)
{
    if (folder.size() >= 3 && folder[1] == L':' && IsSeparator(folder[2]))
        return (folder[0] >= L'A' && folder[0] <= L'Z') || (folder[0] >= L'a' && folder[0] <= L'z');
    return folder.size() >= 3 && IsSeparator(folder[0]) && IsSeparator(folder[1]);
}

std::vector<std::wstring> LibraryFolders(const CSearchPlaces& places)
{
    std::vector<std::wstring> candidates = {FolderOf(places.ProgramPath), places.DllDirectory,
                                            places.SystemFolder};
    if (!places.WindowsFolder.empty())
        candidates.push_back(places.WindowsFolder + L"\\System");
    candidates.push_back(places.WindowsFolder);
    for (std::wstring& entry : PathEntries(places.Path))
        candidates.push_back(std::move(entry));

    std::vector<std::wstring> folders;
    for (std::wstring& folder : candidates)
    {
        if (!IsAbsoluteFolder(folder))
            continue;
        if (!IsSeparator(folder.back()))
            folder += L'\\';
        folders.push_back(std::move(folder));
    }
    return folders;
}

DWORD DropRelativePathEntries()
{
    const std::wstring path = PathVariable();
    std::wstring kept;
    for (const std::wstring& entry : PathEntries(path))
    {
        if (!IsAbsoluteFolder(entry))
            continue;
        if (!kept.empty())
            kept += L';';
        kept += entry;
    }
    if (kept == path || SetEnvironmentVariableW(L"PATH", kept.c_str()))
        return 0;
    return FailureCode(GetLastError());
}

std::wstring FindLibrary(const wchar_t* fileName, const std::vector<std::wstring>& folders)
{
    for (const std::wstring& folder : folders)
    {
        std::wstring file = folder + fileName;
        const DWORD attributes = GetFileAttributesW(file.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return file;
    }
    return std::wstring();
}

HMODULE LoadLibraryOutsideCurrentFolder(const wchar_t* fileName, CLibraryDllDirectory& directory)
{
    if (wcspbrk(fileName, L"\\/:"))
        return LoadLibraryW(fileName);
    const DWORD callerError = GetLastError();
    const HMODULE loaded = GetModuleHandleW(fileName);
    const std::wstring file =
        loaded ? ModulePath(loaded) : FindLibrary(fileName, LibraryFolders(CurrentSearchPlaces()));
    if (file.empty())
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const HMODULE module = LoadWithDependencies(file, directory);
    if (module)
        SetLastError(callerError);
    return module;
}

} // namespace ZrBase
