#include "core/printer/package_commands.h"

#include "core/printer/package.h"

namespace tarnwell {

std::wstring SetupCommandLine(const std::wstring& application_folder) {
  return L"\"" + package::SetupProgramPath(application_folder) + L"\"" +
         package::kSetupSwitches;
}

std::optional<ResolvedCommand> ResolveUninstallProgram(Machine& m, const std::wstring& command) {
  return ResolveRegisteredCommand(
      command, {m.SystemFolder(), m.WindowsFolder()},
      [&m](const std::wstring& path) {
        const auto found = m.FindEntry(path);
        return found && (*found & file_attr::kDirectory) == 0;
      });
}

}  // namespace tarnwell
