// The system's errors as tests see them.
#pragma once

#include "ZrError.h"

#include <functional>
#include <string>

namespace ZrTest
{

// A property of an error as its dump shows it, e.g. "Line"; "(missing)" when there is none.
std::wstring ErrorProperty(const ZrBase::CZrError& error, const std::wstring& key);

// The error a call raises, caught by const reference as the system's catchers do; a test
// failure, and an error of code 0, when it raises none.
ZrBase::CZrError Raised(const std::function<void()>& call);

// Checks an error's code and the place it records.
void ExpectPlace(const ZrBase::CZrError& error, unsigned long code, const wchar_t* file,
                 const wchar_t* line, const wchar_t* function);

} // namespace ZrTest
