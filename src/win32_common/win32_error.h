// Turning the platform's error numbers into the texts users read.
#pragma once

#include <windows.h>

#include <string>

namespace tarnwell {

// The platform's description of an error number, without the trailing line break.
std::wstring DescribeWin32Error(DWORD error);

// Throws RunError with the description of `error`, and the number itself.
[[noreturn]] void ThrowWin32Error(DWORD error);

// Throws RunError with the description and the number of GetLastError().
[[noreturn]] void ThrowLastError();

}  // namespace tarnwell
