// The package's folder in the programs folder and the files in it.
#pragma once

#include <windows.h>

#include <string>

namespace tarnwell::standin {

inline constexpr wchar_t kUninstallProgram[] = L"uninstall.exe";

// "%ProgramFiles%\Quellmark PDF Setup", as the running program's own
// environment names it; empty when the variable is not set.
std::wstring InstalledFolder();

// The folder holding the running program, without a trailing separator.
std::wstring OwnFolder();

bool PathExists(const std::wstring& path);

// Removes the folder and everything in it. A file that cannot be deleted
// while it runs (the uninstaller itself) is moved out to the temporary
// folder, or failing that left for the next restart to remove, together
// with the folder. Returns the error number of the first failure, 0 when
// everything is gone or scheduled to go.
DWORD RemoveFolderTree(const std::wstring& folder);

}  // namespace tarnwell::standin
