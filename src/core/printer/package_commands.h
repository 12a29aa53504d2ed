// The command lines that start the printer package: its setup, and the
// uninstall command it registered. The window's two commands and the
// unattended ones start the package through these alone.
#pragma once

#include <optional>
#include <string>

#include "core/port/machine.h"
#include "core/printer/command_line.h"

namespace tarnwell {

// "<application folder>\Quellmark PDF Setup\setup.exe" -s -c, the program path quoted.
std::wstring SetupCommandLine(const std::wstring& application_folder);

// The program a registered uninstall command may start, looked for only in
// the system folder and the Windows folder when it is named without one;
// nullopt when it names none that may be started.
std::optional<ResolvedCommand> ResolveUninstallProgram(Machine& machine,
                                                       const std::wstring& command);

// For a resolved uninstall command whose program is in Windows' own
// folders, run with rights other accounts lack: the system's MsiExec.exe
// removing a product by its code, as MsiExecRemovalArguments makes it;
// nothing for any other command (core/printer/msiexec_command.h says why).
std::optional<ResolvedCommand> SystemMsiExecRemoval(Machine& machine,
                                                    const ResolvedCommand& resolved);

}  // namespace tarnwell
