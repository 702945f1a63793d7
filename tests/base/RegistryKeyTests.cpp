#include "Processes.h"
#include "RegistryKey.h"

#include <gtest/gtest.h>

using namespace ZrBase;

TEST(RegistryKey, ReportsWin32Codes)
{
    CRegistryKey key;
    wchar_t buffer[4];
    DWORD count = 4;
    // Nothing open yet.
    EXPECT_EQ(ERROR_INVALID_HANDLE, key.QueryStringValue(L"x", buffer, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              key.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ZrNoSuchKey", 0, KEY_READ));
    // Reopening closes the key held, and so do closing and the holder's end: no handle is
    // left, however often; closing twice is harmless.
    const DWORD handles = ZrTest::HandleCount();
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_READ));
    EXPECT_EQ(handles + 1, ZrTest::HandleCount());
    key.Close();
    key.Close();
    EXPECT_EQ(handles, ZrTest::HandleCount());
    {
        CRegistryKey other;
        ASSERT_EQ(ERROR_SUCCESS, other.Open(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_READ));
    }
    EXPECT_EQ(handles, ZrTest::HandleCount());

    // A missing entry point answers ERROR_PROC_NOT_FOUND and calls nothing.
    const CRegistryFunctions missing(nullptr);
    HKEY opened = nullptr;
    SetLastError(0xdeadbeef);
    EXPECT_EQ(ERROR_PROC_NOT_FOUND,
              missing.OpenKeyEx(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_READ, &opened));
    EXPECT_EQ(ERROR_PROC_NOT_FOUND,
              missing.QueryValueEx(HKEY_LOCAL_MACHINE, L"x", nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_PROC_NOT_FOUND, missing.CloseKey(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(nullptr, opened);
    EXPECT_EQ(0xdeadbeefu, GetLastError());
    // A module without them (this program) binds none either.
    EXPECT_EQ(ERROR_PROC_NOT_FOUND,
              CRegistryFunctions(GetModuleHandleW(nullptr))
                  .OpenKeyEx(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_READ, &opened));
}
