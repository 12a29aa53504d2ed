// The uninstall command: PushButton1_Click.
#pragma once

#include <optional>
#include <string>

#include "core/app/app.h"
#include "core/printer/command_line.h"

namespace tarnwell {

inline constexpr wchar_t kUninstallLocation[] =
    L"TarnwellPDFPrinter2021/08/31.Form1.PushButton1_Click";

// The program a registered uninstall command may start, looked for only in
// the system folder, the Windows folder and PATH's fully qualified folders;
// nullopt when it names none that may be started.
std::optional<ResolvedCommand> ResolveUninstallProgram(Machine& machine,
                                                      const std::wstring& command);

void PushButton1_Click(App& app);

}  // namespace tarnwell
