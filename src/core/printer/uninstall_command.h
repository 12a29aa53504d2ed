// The uninstall command: PushButton1_Click.
#pragma once

#include <optional>
#include <string>

#include "core/app/app.h"
#include "core/printer/command_line.h"

namespace tarnwell {

inline constexpr wchar_t kUninstallLocation[] =
    L"in TarnwellPDFPrinter2021/08/31.Form1.PushButton1_Click ";
inline constexpr wchar_t kPrinterNotInstalled[] = L"PDF Printer is not yet installed.";
inline constexpr wchar_t kInstallPathNotFound[] = L"Install path not found.";
inline constexpr wchar_t kUninstallDone[] = L"Done.";
inline constexpr wchar_t kUninstallerNotStarted[] = L"Uninstaller could not be started.";

// The program a registered uninstall command may start, looked for only in
// the system folder, the Windows folder and PATH's fully qualified folders;
// nullopt when it names none that may be started.
std::optional<ResolvedCommand> ResolveUninstallProgram(Machine& machine,
                                                      const std::wstring& command);

void PushButton1_Click(App& app);

}  // namespace tarnwell
