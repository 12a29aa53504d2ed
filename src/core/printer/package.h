// The printer package's fixed names: what the program passes to it and the
// traces it relies on the package leaving behind.
#pragma once

#include <string>

namespace tarnwell::package {

// One text names the package folder, the printer and the uninstall registration.
inline constexpr wchar_t kName[] = L"Quellmark PDF Setup";
inline constexpr wchar_t kSetupProgram[] = L"\\setup.exe";
inline constexpr wchar_t kSetupSwitches[] = L" -s -c";
inline constexpr wchar_t kProgramFilesVariable[] = L"ProgramFiles";
inline constexpr wchar_t kUninstallKeyPrefix[] =
    L"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\Uninstall\\";
inline constexpr wchar_t kUninstallValue[] = L"UninstallString";
inline constexpr wchar_t kDisplayNameValue[] = L"DisplayName";
inline constexpr wchar_t kDisplayVersionValue[] = L"DisplayVersion";

// The setup's show state: hidden. The uninstaller is started without one,
// which run-and-wait turns into 6 (minimised, without the focus).
inline constexpr int kSetupWindowStyle = 0;

// The package's setup program in the application folder.
inline std::wstring SetupProgramPath(const std::wstring& application_folder) {
  return application_folder + L"\\" + kName + kSetupProgram;
}

// The folder the package installs into, given the programs folder.
inline std::wstring InstalledFolder(const std::wstring& program_files) {
  return program_files + L"\\" + kName;
}

// The package's uninstall registration, below HKEY_LOCAL_MACHINE.
inline std::wstring UninstallKeyPath() { return std::wstring(kUninstallKeyPrefix) + kName; }

}  // namespace tarnwell::package
