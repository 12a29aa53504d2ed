// The check the unattended commands make before they start the package's
// setup or its registered uninstaller with rights other accounts lack.
#include "win32/machine/machine.h"
#include "win32_common/account_security.h"

namespace tarnwell {

// The check has a bound of its own, a few seconds, whatever the command's
// time limit for the setup: an open another account holds up is given up,
// and the start refused. A shorter time limit shortens it.
std::optional<PathRefusal> Win32Machine::HoldProgramPath(
    const std::wstring& program, ProgramTree tree, std::optional<unsigned> time_limit_seconds) {
  held_program_.Release();
  privileged_start_ = false;
  if (!RunsElevatedOrAsLocalSystem()) return std::nullopt;
  const DWORD wait = time_limit_seconds && *time_limit_seconds * 1000 < kPathCheckMs
                         ? *time_limit_seconds * 1000
                         : kPathCheckMs;
  auto refused = HoldIfOnlyTrustedMayChange(program, tree, Deadline::In(wait), held_program_);
  privileged_start_ = !refused;
  return refused;
}

}  // namespace tarnwell
