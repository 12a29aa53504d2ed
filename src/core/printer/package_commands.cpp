#include "core/printer/package_commands.h"

#include "core/printer/msiexec_command.h"
#include "core/printer/package.h"
#include "core/printer/run_and_wait.h"
#include "core/texts/text.h"

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

std::optional<ResolvedCommand> SystemMsiExecRemoval(Machine& m, const ResolvedCommand& resolved) {
  if (!IsSystemMsiExec(resolved.program, m.SystemFolder())) return std::nullopt;
  const auto arguments = MsiExecRemovalArguments(SplitCommandLine(resolved.command_line).arguments);
  if (!arguments) return std::nullopt;
  return ResolvedCommand{resolved.program, Quoted(resolved.program) + L" " + *arguments};
}

}  // namespace tarnwell
