#include "core/unattended/shipped_version.h"

#include <optional>

#include "core/printer/package.h"
#include "core/printer/package_version.h"
#include "core/printer/registry.h"
#include "core/texts/text.h"

namespace tarnwell {
namespace {

std::wstring Record(const std::wstring& beside, const std::wstring& registered) {
  return beside + L"|" + registered;
}

}  // namespace

bool InstalledAsShipped(Machine& machine, const std::wstring& beside,
                        const std::wstring& registered) {
  const std::wstring kept = RegistryValueText(
      ReadRegistryValue(machine, RegRoot::LocalMachine, kProgramKey, kShippedVersionValue));
  return !kept.empty() && kept == Record(beside, registered);
}

bool RegisteredAsShipped(Machine& machine, LogSink& log) {
  const std::wstring setup = package::SetupProgramPath(machine.ApplicationFolder());
  const std::optional<std::wstring> beside = machine.ProgramVersion(setup);
  const std::optional<std::wstring> registered = RegisteredPackageVersion(machine);
  if (!beside || !registered) return true;
  const std::optional<int> order = CompareVersions(*beside, *registered);
  if (!order || *order <= 0) return true;
  log.WriteLine(L"The package registered version " + Quoted(*registered) + L", which is older "
                L"than version " + Quoted(*beside) + L" of " + Quoted(setup) +
                L": the package's setup program and its registration use different version "
                L"numbers.");
  if (machine.WriteRegistryText(RegRoot::LocalMachine, kProgramKey, kShippedVersionValue,
                                Record(*beside, *registered))) {
    log.WriteLine(L"Remembered under HKEY_LOCAL_MACHINE\\" + std::wstring(kProgramKey) +
                  L": /update takes version " + Quoted(*registered) + L" for this setup program "
                  L"until a newer one ships.");
  } else {
    log.WriteLine(L"This could not be remembered (it needs administrator rights): /status "
                  L"/update answers 3 until the package registers the version of its setup "
                  L"program.");
  }
  log.WriteLine(L"Give the package one version scheme in its setup program and its "
                L"DisplayVersion. The command fails.");
  return false;
}

}  // namespace tarnwell
