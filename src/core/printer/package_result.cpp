#include "core/printer/package_result.h"

#include <optional>
#include <string>

#include "core/printer/package.h"
#include "core/printer/printer_search.h"

namespace tarnwell {
namespace {

std::optional<bool> PrinterPresent(Machine& machine) {
  try {
    return IsPrinterInstalled(machine, package::kName);
  } catch (const RunError&) {
    return std::nullopt;
  }
}

// The registration's value is read rather than the key opened, through the
// same read the uninstall command uses.
std::optional<bool> RegistrationPresent(Machine& machine) {
  const RegistryData data = machine.QueryRegistryValue(
      RegRoot::LocalMachine, package::UninstallKeyPath(), package::kUninstallValue);
  if (data.status == reg::kSuccess) return true;
  if (data.status == reg::kFileNotFound) return false;
  return std::nullopt;
}

}  // namespace

bool PackageInstalled(Machine& machine) {
  return PrinterPresent(machine) == true && RegistrationPresent(machine) == true;
}

bool PackageRemoved(Machine& machine) {
  return PrinterPresent(machine) == false && RegistrationPresent(machine) == false;
}

}  // namespace tarnwell
