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

} // namespace ZrTest
