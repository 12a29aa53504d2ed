#include "core/unattended/printer_renewal.h"

#include <string>
#include <vector>

#include "core/printer/package.h"
#include "core/printer/printer_health.h"
#include "core/printer/printer_search.h"
#include "core/texts/text.h"
#include "core/unattended/exit_codes.h"
#include "core/unattended/printer_condition.h"

namespace tarnwell {
namespace {

std::wstring PrinterQuoted() { return Quoted(package::kName); }

// False, logged, when the spooler refuses.
bool DeleteQueue(Machine& machine, LogSink& log) {
  try {
    machine.DeletePrinterQueue(package::kName);
  } catch (const RunError& e) {
    log.WriteLine(L"The printer " + PrinterQuoted() + L" could not be deleted: " +
                  e.description());
    return false;
  }
  if (IsPrinterInstalled(machine, package::kName)) {
    log.WriteLine(L"The printer " + PrinterQuoted() + L" is still there after it was deleted.");
    return false;
  }
  log.WriteLine(L"The spooler deleted the printer " + PrinterQuoted() + L".");
  return true;
}

}  // namespace

bool NeedsRenewal(Machine& machine, LogSink& log, bool update) {
  const PrinterFindings findings = ExaminePrinter(machine, update);
  for (const std::wstring& line : findings.lines) log.WriteLine(line);
  switch (findings.condition) {
    case PrinterCondition::Broken:
      log.WriteLine(L"It is repaired: the installed package is removed and its setup run again.");
      return true;
    case PrinterCondition::Older:
      log.WriteLine(L"It is updated: the installed package is removed and the newer one set up.");
      return true;
    case PrinterCondition::Working:
      break;
  }
  return false;
}

bool IsDefaultOfThisAccount(Machine& machine, LogSink& log) {
  if (machine.RunsAsLocalSystem()) return false;
  if (machine.DefaultPrinterName() != package::kName) return false;
  log.WriteLine(PrinterQuoted() + L" is the default printer of " + machine.AccountName() +
                L": it becomes the default again once it is back.");
  return true;
}

bool DeleteQueueLeftBehind(Machine& machine, LogSink& log) {
  if (!IsPrinterInstalled(machine, package::kName)) return true;
  log.WriteLine(L"The printer " + PrinterQuoted() + L" is still there: the spooler deletes it.");
  return DeleteQueue(machine, log);
}

bool WorksAfterRenewal(Machine& machine, LogSink& log) {
  const std::vector<std::wstring> missing = MissingPrinterParts(machine);
  if (missing.empty()) return true;
  log.WriteLine(L"The printer " + PrinterQuoted() + L" is there after the setup, but it cannot "
                L"work:");
  for (const std::wstring& line : missing) log.WriteLine(line);
  DeleteQueue(machine, log);
  log.WriteLine(L"The printer is not installed: run /install again once the package is mended.");
  return false;
}

void NoPrinterAfterRenewal(LogSink& log) {
  log.WriteLine(L"The installed package was removed before the setup, so no printer " +
                PrinterQuoted() + L" is left. A later /install installs it once its setup "
                L"works.");
}

int RestartAfterRemoval(LogSink& log, std::int32_t uninstaller_code) {
  if (uninstaller_code != exit_code::kRestartRequired &&
      uninstaller_code != exit_code::kRestartStarted) {
    return exit_code::kDone;
  }
  log.WriteLine(L"The uninstaller before the setup answered " +
                std::to_wstring(uninstaller_code) +
                L" (restart): a restart is needed to finish. The command answers 3010.");
  return exit_code::kRestartRequired;
}

}  // namespace tarnwell
