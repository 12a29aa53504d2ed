#include "core/unattended/unattended_steps.h"

#include "core/port/run_error.h"
#include "core/port/spooler_errors.h"
#include "core/printer/package.h"
#include "core/printer/printer_search.h"
#include "core/printer/registry.h"
#include "core/texts/text.h"
#include "core/unattended/exit_codes.h"

namespace tarnwell {
namespace {

constexpr wchar_t kQuietUninstallValue[] = L"QuietUninstallString";

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return text;
}

}  // namespace

std::wstring RegisteredUninstallCommand(Machine& machine, LogSink& log) {
  const std::wstring key = package::UninstallKeyPath();
  const std::wstring quiet = RegistryValueText(
      ReadRegistryValue(machine, RegRoot::LocalMachine, key, kQuietUninstallValue));
  if (!quiet.empty()) {
    log.WriteLine(L"Using the registered QuietUninstallString.");
    return quiet;
  }
  log.WriteLine(L"No QuietUninstallString registered: using the UninstallString.");
  return RegistryValueText(
      ReadRegistryValue(machine, RegRoot::LocalMachine, key, package::kUninstallValue));
}

// Windows' own folders hold thousands of files, all Windows' own: only
// the program itself and the folders are checked there, and only the
// system's MsiExec may be run from them. Every folder below the Windows
// folder counts (System32's subfolders, SysWOW64, Sysnative): a prefix
// test, so no program there passes for a vendor's uninstaller.
bool InWindowsFolders(Machine& machine, const std::wstring& program) {
  const std::wstring upper = Upper(program);
  for (std::wstring folder : {machine.WindowsFolder(), machine.SystemFolder()}) {
    if (folder.empty()) continue;
    folder = Upper(folder);
    if (folder.back() != L'\\') folder += L'\\';
    if (upper.compare(0, folder.size(), folder) == 0) return true;
  }
  return false;
}

// Fleets often keep the Print Spooler service stopped: say so.
bool CheckedPrinterPresence(Machine& machine) {
  try {
    return IsPrinterInstalled(machine, package::kName);
  } catch (const RunError& e) {
    const std::uint32_t error = e.system_error();
    std::wstring why = L"The list of installed printers could not be read";
    if (error != 0) why += L" (system error " + std::to_wstring(error) + L")";
    why += L": " + e.description();
    if (SpoolerUnreachable(error)) {
      why +=
          L" The Print Spooler service is not running: start it, then run "
          L"the command again.";
    }
    throw RunError(why, error);
  }
}

int RestartAnswer(LogSink& log, const wchar_t* what, std::int32_t package_code, bool whole_result) {
  if (package_code != exit_code::kRestartRequired && package_code != exit_code::kRestartStarted) {
    return exit_code::kDone;
  }
  const std::wstring code = std::to_wstring(package_code);
  if (!whole_result) {
    log.WriteLine(std::wstring(L"The ") + what + L" answered " + code +
                  L" (restart), but the printer and the package's uninstall registration "
                  L"disagree: the restart request is not passed on.");
    return exit_code::kDone;
  }
  log.WriteLine(
      std::wstring(L"The package asked for a restart: the ") + what + L" answered " + code +
      (package_code == exit_code::kRestartStarted ? L" (it has started a restart)."
                                                  : L" (a restart is needed to finish).") +
      L" The command answers " + code + L".");
  return package_code;
}

void LogTemporaryFolder(Machine& machine, LogSink& log, const wchar_t* what,
                        const RunResult& result) {
  if (result.temporary_folder.empty()) return;
  std::wstring line = std::wstring(L"The ") + what + L"'s temporary folder (TEMP and TMP): " +
                      Quoted(result.temporary_folder);
  if (!result.temporary_folder_made) {
    line += L", Windows' own for " + machine.AccountName() + L".";
  } else if (result.temporary_folder_left) {
    line +=
        L", made for it so that only SYSTEM and the Administrators may use "
        L"it; " +
        *result.temporary_folder_left + L".";
  } else {
    line +=
        L", made for it so that only SYSTEM and the Administrators may use "
        L"it, and "
        L"removed after it.";
  }
  log.WriteLine(line);
}

}  // namespace tarnwell
