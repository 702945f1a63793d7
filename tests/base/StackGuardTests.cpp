#include "Processes.h"
#include "StandIns.h"

#include <gtest/gtest.h>

TEST(StackGuard, EndsTheProcessOnAnOverrun)
{
    const std::wstring probe = ZrTest::ModuleDirectory() + L"\\StackGuardProbe.exe";
    // Within its buffer the function returns; past it the process ends before anything is
    // written, with the status Windows gives a stack buffer overrun.
    const ZrTest::CProcessResult within = ZrTest::RunProcess(probe, L"8", L"", {});
    EXPECT_EQ("returned 120\r\n", within.Output);
    EXPECT_EQ(0u, within.ExitCode);
    const ZrTest::CProcessResult past = ZrTest::RunProcess(probe, L"64", L"", {});
    EXPECT_EQ("", past.Output);
    EXPECT_EQ(0xC0000409u, past.ExitCode);
}
