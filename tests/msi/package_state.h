// What the Windows Installer package leaves on the machine, read the way an
// administrator would find it: the program's folder, the Start-menu shortcut,
// the entries in Programs and Features, the logs; and msiexec, run with a
// bounded wait.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace msi {

inline constexpr wchar_t kProductName[] = L"Tarnwell PDF Printer Software";

// [ProgramFilesFolder]Tarnwell PDF Printer Software, as a 32-bit program sees it.
std::wstring InstallFolder();
// The program's own log of the commands the package runs.
std::wstring ProgramLog();
// The folders the printer steps made beside the program's log folder when
// its name was taken ("...\Tarnwell PDF Printer Software-<random>").
std::vector<std::wstring> FreshLogFolders();
// What the package keeps of the first installation's INSTALLPRINTER.
std::optional<std::wstring> RememberedChoice();
// A file for an installation log, in a test folder of the temporary folder.
std::wstring MsiLog(const std::wstring& name);
// The log's text, lower-cased; Wine's msiexec writes its logs in ANSI.
std::wstring ReadLogLowerCase(const std::wstring& path);

// Runs msiexec with `arguments` and at most `timeout_ms`: its exit code, or
// nothing when it did not end in time (it and what it started are ended).
std::optional<DWORD> Msiexec(const std::wstring& arguments, DWORD timeout_ms = 45000);
// Runs the system folder's program `name` the same way; when it does not end
// in time, only it is ended.
std::optional<DWORD> RunSystemProgram(const std::wstring& name, const std::wstring& arguments,
                                      DWORD timeout_ms);

// One row of a package's InstallExecuteSequence, with its custom action's type.
struct Step {
  int sequence = 0;
  int type = 0;  // 0 for a standard action
};
// The package's InstallExecuteSequence by action name; empty when unreadable.
std::map<std::wstring, Step> ExecuteSequence(const std::wstring& package);

// One entry of Programs and Features.
struct Entry {
  std::wstring product_code;
  std::wstring publisher;
  std::wstring version;
  DWORD no_modify = 0;
  std::wstring contact;
  std::wstring install_location;
};
// The entries named kProductName.
std::vector<Entry> Entries();
// The icon Windows Installer keeps for the product's entry; empty when none.
std::wstring ProductIcon(const std::wstring& product_code);

// The Start-menu shortcut's target; nothing when there is no shortcut. Wine
// puts a per-machine package's shortcut in the user's Start menu, Windows in
// the common one: both are looked at.
std::optional<std::wstring> ShortcutTarget();

// Paths (relative to `root`) of the files under `root`.
std::vector<std::wstring> FilesUnder(const std::wstring& root);

// No package installed, no program folder, shortcut or log, and the printer
// package's traces gone.
void ResetMachine();

}  // namespace msi
