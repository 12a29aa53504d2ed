// What every custom action of the package needs of its installation session:
// a property's value, a line in the installation's log (msiexec /l*v), an
// error shown.
#pragma once

#include <windows.h>
#include <msi.h>

#include <string>

namespace tarnwell {

// The property's value; empty when it is not set or cannot be read.
std::wstring MsiProperty(MSIHANDLE install, const wchar_t* name);

void LogToMsi(MSIHANDLE install, const std::wstring& text);

// An error the installation shows (a message box with OK, unless it runs
// without a user interface, /qn) and writes into its log.
void ShowMsiError(MSIHANDLE install, const std::wstring& text);

}  // namespace tarnwell
