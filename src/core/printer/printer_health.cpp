#include "core/printer/printer_health.h"

#include <algorithm>

#include "core/port/run_error.h"
#include "core/printer/package.h"
#include "core/texts/text.h"

namespace tarnwell {
namespace {

// The registration's value is read as the uninstall command reads it; a
// read that fails for another reason than its absence cannot tell.
bool RegistrationThere(Machine& machine) {
  const RegistryData data = machine.QueryRegistryValue(
      RegRoot::LocalMachine, package::UninstallKeyPath(), package::kUninstallValue);
  if (data.status == reg::kSuccess) return true;
  if (data.status == reg::kFileNotFound) return false;
  throw RunError(L"The package's uninstall registration could not be read (system error " +
                     std::to_wstring(data.status) + L").",
                 static_cast<std::uint32_t>(data.status));
}

// A pooled printer names several ports, separated by commas ("LPT1:,LPT2:").
std::vector<std::wstring> PortNames(const std::wstring& ports) {
  std::vector<std::wstring> names;
  std::size_t at = 0;
  while (at <= ports.size()) {
    const std::size_t comma = std::min(ports.find(L',', at), ports.size());
    const std::wstring name = ports.substr(at, comma - at);
    const std::size_t first = name.find_first_not_of(L' ');
    if (first != std::wstring::npos) {
      names.push_back(name.substr(first, name.find_last_not_of(L' ') - first + 1));
    }
    at = comma + 1;
  }
  return names;
}

}  // namespace

std::vector<std::wstring> MissingPrinterParts(Machine& machine) {
  std::vector<std::wstring> missing;
  const PrinterParts parts = machine.ReadPrinterParts(package::kName);
  if (parts.driver.empty()) {
    missing.push_back(L"The printer names no driver.");
  } else if (!machine.PrinterDriverInstalled(parts.driver)) {
    missing.push_back(L"Its driver " + Quoted(parts.driver) + L" is not installed.");
  }
  const std::vector<std::wstring> ports = PortNames(parts.port);
  if (ports.empty()) missing.push_back(L"The printer names no port.");
  for (const std::wstring& port : ports) {
    if (!machine.PrinterPortExists(port)) {
      missing.push_back(L"Its port " + Quoted(port) + L" does not exist.");
    }
  }
  if (!RegistrationThere(machine)) {
    missing.push_back(L"The package's uninstall registration HKEY_LOCAL_MACHINE\\" +
                      package::UninstallKeyPath() + L" is missing.");
  }
  return missing;
}

}  // namespace tarnwell
