// Files and folders of the tests, and the text in them.
#pragma once

#include "UniqueResource.h"
#include "ZrBase.h"

#include <string>
#include <vector>

namespace ZrTest
{

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
std::string ReadFileBytes(const std::wstring& path);
std::vector<std::string> ReadLines(const std::wstring& path);

// Removes a folder with everything in it.
void RemoveTree(const std::wstring& path);

// A fresh, empty folder in <build>\tests\scratch, removed with its files on destruction.
class CTemporaryDirectory
{
public:
    CTemporaryDirectory();

    std::wstring Path() const { return m_Path.Get(); }
    std::wstring File(const wchar_t* name) const { return Path() + L"\\" + name; }
    // Copies `source` into the folder under `name`.
    void Copy(const std::wstring& source, const wchar_t* name) const;

private:
    ZrBase::TUniqueResource<std::wstring, &RemoveTree> m_Path;
};

} // namespace ZrTest
