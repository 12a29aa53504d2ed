// The machine the scenarios start from and look at afterwards (printers, the
// default printer, the package's folder in the programs folder and its
// uninstall registration) and the application folders they lay out.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app_files.h"

namespace e2e {

using support::kPackageName;

bool PrinterExists(const std::wstring& name);
void DeletePrinterNamed(const std::wstring& name);
// Adds a printer on the driver and port of an installed one.
bool AddPrinterLike(const std::wstring& name, const std::wstring& model);
std::wstring DefaultPrinter();

// %ProgramFiles%\Quellmark PDF Setup, as a 32-bit program sees it.
std::wstring InstalledPackageFolder();
bool PathExists(const std::wstring& path);
void RemoveTree(const std::wstring& path);
// Gives Everyone full control of a folder, for it and what it holds. Wine
// keeps no access list of its own for a file: it turns one into the Unix
// permissions (here: others may write) and reads those back.
bool LetEveryoneChange(const std::wstring& folder);

bool RegistrationExists();
std::optional<std::wstring> RegisteredUninstallString();
// The package's DisplayVersion, as a 32-bit installer writes it; "(none)".
std::wstring RegisteredVersion();
void WriteUninstallString(const std::wstring& command_line);
void DeleteRegistration();

// Sets the policy value that turns Windows protected print mode on (1) or
// off (0), in the 64-bit registry view where Windows keeps policies; nothing
// removes it.
bool SetProtectedPrintPolicy(std::optional<DWORD> value);

// No package printer, installed folder or registration, no protected print
// policy; test printers gone.
void ResetMachine();

bool ProcessRunsUnder(const std::wstring& folder);
// How many processes run the program file `program` (full path).
std::size_t ProcessesRunning(const std::wstring& program);
void EndProcessesUnder(const std::wstring& folder);

// A fresh application folder laid out from dist (program, cursor file,
// package folder) in a temporary folder whose path holds blanks.
class AppFolder {
 public:
  explicit AppFolder(const std::wstring& name);
  ~AppFolder();
  AppFolder(const AppFolder&) = delete;
  AppFolder& operator=(const AppFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring Package() const { return path_ + L"\\" + kPackageName; }
  std::wstring CursorFile() const { return path_ + L"\\HAND-M.CUR"; }
  // Runs the package's setup as it is meant to run, without the program.
  bool InstallPackageDirectly() const;
  // Puts a fixture program built beside the tests in place of setup.exe,
  // keeping the real one beside it as real-setup.exe.
  void UseSetupFixture(const std::wstring& fixture_file) const;

 private:
  std::wstring path_;
};

}  // namespace e2e
