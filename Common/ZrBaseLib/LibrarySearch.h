// Where a library named without a folder is looked for, and its load from there.
//
// The loader's standard search less the current folder, which whoever starts the program
// chooses: a library found there would run with the caller's rights and could choose the level
// the tool reports. A relative PATH entry is the current folder again and is left out too.
// The folders and their order are LibraryFolders'; doc/GetSessionLevel.txt tells users.
#pragma once

#include "UniqueResource.h"
#include "ZrBase.h"

#include <string>
#include <vector>

namespace ZrBase
{

// What the search is made of, as the system answers it for this process.
struct CSearchPlaces
{
    std::wstring ProgramPath;  // the running program's file
    std::wstring DllDirectory; // set by SetDllDirectoryW, or empty
    std::wstring SystemFolder;
    std::wstring WindowsFolder;
    std::wstring Path; // the PATH variable
};

CSearchPlaces CurrentSearchPlaces();

// The folders to look in, in order, each ending in a backslash; those that depend on the
// current folder are left out.
std::vector<std::wstring> LibraryFolders(const CSearchPlaces& places);

// "X:\..." or "\\server\share...". "X:name" and "\name" are relative to a current folder.
bool IsAbsoluteFolder(const std::wstring& folder);

// Takes every entry that is no absolute folder out of this process's PATH, keeping the others
// in their order. The loader resolves such an entry (".", "lib", "..\x", "C:lib", an empty one)
// against the current folder for every library the process loads by bare name: the imports of
// a library loaded by full path and what it loads later on demand too, which the DLL directory
// below does not keep from PATH. PATH belongs to the process: only a program that owns its
// process calls this, before its first load; the base library never does so for its host.
// Returns 0 or the Windows error that kept PATH as it was.
DWORD DropRelativePathEntries();

// The file `fileName` in the first folder that holds one (a folder of that name is no library);
// empty when none does.
std::wstring FindLibrary(const wchar_t* fileName, const std::vector<std::wstring>& folders);

namespace Detail
{
BOOL ReleaseDllDirectory(bool held);
}

// A hold on the process's DLL directory, taken when a library is loaded: what the library loads
// by bare name, at its load or later on demand, is looked for in its folder and never in the
// current folder. The directory belongs to the process, so the holds are counted: the first
// sets it to its library's folder where it reads empty, later ones join it, and the last one to
// go leaves it empty again. GetDllDirectoryW reads a directory set empty the same as none, and
// it is left empty, never unset: a host that had set it empty keeps the current folder out, one
// that had set none finds it out too. A host's non-empty directory is left as it is (and serves
// in its place). Destroy a hold after its library is freed.
typedef TUniqueResource<bool, &Detail::ReleaseDllDirectory, true> CLibraryDllDirectory;

// Loads `fileName`: as given when it names a folder, else from LibraryFolders, taking a library
// of that name that the process has loaded already, as the loader would. Its own dependencies,
// and what it loads later, are looked for beside it first and never in the current folder, for
// as long as `directory` is held. The caller's last error survives a load; a failed one leaves
// the loader's reason.
HMODULE LoadLibraryOutsideCurrentFolder(const wchar_t* fileName, CLibraryDllDirectory& directory);

} // namespace ZrBase
