// The build tree the tests run in, and the stand-ins of the suite's libraries in it: where they
// lie, which one the library search finds, and what their trace says.
#pragma once

#include "ZrBase.h"

#include <string>
#include <vector>

namespace ZrTest
{

// The folder of the running test program, without a trailing backslash.
std::wstring ModuleDirectory();
// The build tree: tests in <build>\tests, the tool in <build>\bin, the stand-ins in
// <build>\standin.
std::wstring BuildDirectory();
// The folder of a stand-in of ZrSrvApi.dll: "full", "no-open", "no-getinfo", "no-free",
// "no-close", "no-exports" or "with-dependency"; ZrError.dll lies one level up.
std::wstring StandInDirectory(const wchar_t* variant);
std::wstring StandInRoot();

// Makes the library search find ZrSrvApi.dll in one stand-in variant's folder for a scope
// (the tests folder has no ZrSrvApi.dll of its own).
class CScopedStandIn
{
public:
    explicit CScopedStandIn(const wchar_t* variant);
    ~CScopedStandIn();
    CScopedStandIn(const CScopedStandIn&) = delete;
    CScopedStandIn& operator=(const CScopedStandIn&) = delete;
};

// Whether the process has ZrSrvApi.dll loaded.
bool ServiceLibraryLoaded();

// Export names, in the order the stand-in's trace lists their calls.
typedef std::vector<std::string> CCalls;

// The stand-in's trace: the exports called, in order, and the value of "key=" in one line.
std::vector<std::string> TraceCalls(const std::vector<std::string>& trace);
std::string TraceField(const std::string& line, const std::string& key);

} // namespace ZrTest
