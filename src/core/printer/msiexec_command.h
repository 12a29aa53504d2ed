// A registered uninstall command that runs the system's MsiExec.exe, as the
// unattended mode runs it with rights other accounts lack. Windows' own
// folders hold programs that run any file they are handed (rundll32 a DLL,
// cmd a script, MsiExec a package by its path), so from there only the
// removal of an installed product, named by its product code, is run; and
// as SYSTEM in session 0 nobody would see a dialog it waits for.
#pragma once

#include <optional>
#include <string>

namespace tarnwell {

// The arguments MsiExec.exe is run with for the registered `arguments`
// ("/X{code}", "/I {code} /quiet", case and '-' or '/' as MsiExec takes
// them), or nothing when they are not the removal of one product by its
// code: "/X{code}" (an /I command, which opens the product's maintenance,
// removes it too), then "/qn /norestart" whatever UI level the command
// gives (/q..., /passive), or "/quiet /norestart" for its /quiet: no
// dialog may wait for an answer nobody in session 0 can give. A command
// with two UI levels, or anything else (a package path, a log file, a
// property, a transform), is refused.
std::optional<std::wstring> MsiExecRemovalArguments(const std::wstring& arguments);

// Whether `program` is MsiExec.exe in the system folder `system_folder`.
bool IsSystemMsiExec(const std::wstring& program, const std::wstring& system_folder);

}  // namespace tarnwell
