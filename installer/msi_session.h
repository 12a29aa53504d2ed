// What every custom action of the package needs of its installation session:
// a property's value and a line in the installation's log (msiexec /l*v).
#pragma once

#include <windows.h>
#include <msi.h>

#include <string>

namespace tarnwell {

// The property's value; empty when it is not set or cannot be read.
std::wstring MsiProperty(MSIHANDLE install, const wchar_t* name);

void LogToMsi(MSIHANDLE install, const std::wstring& text);

}  // namespace tarnwell
