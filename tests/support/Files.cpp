#include "Files.h"

#include "Checked.h"
#include "StandIns.h"

namespace ZrTest
{

std::string ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size,
                        nullptr, nullptr);
    return result;
}

std::wstring FromUtf8(const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size);
    return result;
}

std::string ReadFileBytes(const std::wstring& path)
{
    CHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), chunk, sizeof(chunk), &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    return bytes;
}

std::vector<std::string> ReadLines(const std::wstring& path)
{
    std::vector<std::string> lines;
    const std::string bytes = ReadFileBytes(path);
    size_t start = 0;
    while (start < bytes.size())
    {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

CTemporaryDirectory::CTemporaryDirectory()
{
    // In the build tree, outside the Wine prefix: what a test puts here is never seen by the
    // tests that look at the prefix itself, the installer's.
    const std::wstring base = BuildDirectory() + L"\\tests\\scratch\\";
    Check(CreateDirectoryW(base.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS,
          "CreateDirectoryW");
    for (unsigned attempt = 0;; ++attempt)
    {
        wchar_t name[64];
        ZrBase::FormatInto(name, 64, L"zrtest-%lu-%lu-%u", GetCurrentProcessId(), GetTickCount(),
                           attempt);
        const std::wstring path = base + name;
        if (CreateDirectoryW(path.c_str(), nullptr))
        {
            m_Path.Reset(path);
            return;
        }
        Check(GetLastError() == ERROR_ALREADY_EXISTS && attempt < 100, "CreateDirectoryW");
    }
}

void CTemporaryDirectory::Copy(const std::wstring& source, const wchar_t* name) const
{
    Check(CopyFileW(source.c_str(), File(name).c_str(), FALSE) != FALSE, "CopyFileW");
}

} // namespace ZrTest
