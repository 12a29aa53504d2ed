// The package's uninstall registration, in the 32-bit registry view that a
// 32-bit installer writes.
#pragma once

#include <windows.h>

#include <string>

namespace tarnwell::standin {

// "SOFTWARE\...\Uninstall\Quellmark PDF Setup" under HKEY_LOCAL_MACHINE.
std::wstring RegistrationKeyPath();

// Writes UninstallString (the quoted uninstaller path), DisplayName and
// DisplayVersion. `created` tells whether the key was new. Returns the
// error number.
DWORD WriteRegistration(const std::wstring& uninstaller, const std::wstring& version,
                        bool* created);

// A registration that is not there counts as removed.
DWORD RemoveRegistration();

}  // namespace tarnwell::standin
