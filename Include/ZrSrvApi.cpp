#include "ZrSrvApi.h"

namespace
{
const unsigned long ErrorServiceLibraryMissing = 0xE601000D;
}

// Out of line: the slots' constructors need the spellings declared after the class.
CZrSrvApi::CZrSrvApi() : CDynamicLibrary2(CLibName().GetName(), ErrorServiceLibraryMissing) {}
