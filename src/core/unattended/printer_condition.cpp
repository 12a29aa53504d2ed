#include "core/unattended/printer_condition.h"

#include <optional>

#include "core/printer/package.h"
#include "core/printer/package_version.h"
#include "core/printer/printer_health.h"
#include "core/texts/text.h"
#include "core/unattended/shipped_version.h"

namespace tarnwell {
namespace {

// Whether the package beside the program is the newer one; every finding
// goes to `lines`.
bool NewerPackageBeside(Machine& machine, std::vector<std::wstring>& lines) {
  const std::wstring setup = package::SetupProgramPath(machine.ApplicationFolder());
  const std::optional<std::wstring> beside = machine.ProgramVersion(setup);
  const std::optional<std::wstring> installed = RegisteredPackageVersion(machine);
  const std::wstring installed_text =
      installed ? L"version " + Quoted(*installed) : std::wstring(L"no registered version");
  if (!beside) {
    lines.push_back(L"The installed package has " + installed_text + L"; " + Quoted(setup) +
                    L" has no version to compare it with: nothing is replaced.");
    return false;
  }
  const std::optional<int> order = installed ? CompareVersions(*beside, *installed) : std::nullopt;
  if (!order) {
    lines.push_back(L"The installed package has " + installed_text + L", which cannot be "
                    L"compared with version " + Quoted(*beside) + L" beside this program: "
                    L"nothing is replaced. Remove it with /uninstall to install that one.");
    return false;
  }
  const std::wstring versions = L"The installed package has " + installed_text +
                                L"; the one beside this program has version " +
                                Quoted(*beside);
  if (*order > 0 && InstalledAsShipped(machine, *beside, *installed)) {
    lines.push_back(versions + L", which was installed by /install /update and registered "
                    L"itself as " + Quoted(*installed) + L": it is up to date.");
    return false;
  }
  lines.push_back(versions + (*order > 0 ? L", which is newer." : L", which is not newer."));
  return *order > 0;
}

}  // namespace

PrinterFindings ExaminePrinter(Machine& machine, bool update) {
  PrinterFindings findings;
  const std::vector<std::wstring> missing = MissingPrinterParts(machine);
  if (!missing.empty()) {
    findings.condition = PrinterCondition::Broken;
    findings.lines.push_back(L"The printer " + Quoted(package::kName) +
                             L" is installed, but it cannot work:");
    findings.lines.insert(findings.lines.end(), missing.begin(), missing.end());
    return findings;
  }
  if (update && NewerPackageBeside(machine, findings.lines)) {
    findings.condition = PrinterCondition::Older;
  }
  return findings;
}

}  // namespace tarnwell
