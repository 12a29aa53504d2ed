// The check the unattended commands make before they start the package's
// setup or its registered uninstaller with rights other accounts lack.
#include "win32/machine/machine.h"
#include "win32_common/account_security.h"

namespace tarnwell {
namespace {

// However many parts the path has, the check ends within this time, or
// the command's time limit when that is shorter: an open another account
// holds up is given up, and the start refused.
constexpr DWORD kCheckWaitMs = 10000;

}  // namespace

std::optional<std::wstring> Win32Machine::HoldProgramPath(
    const std::wstring& program, bool files_beside, std::optional<unsigned> time_limit_seconds) {
  held_program_.Release();
  if (!RunsElevatedOrAsLocalSystem()) return std::nullopt;
  const DWORD wait = time_limit_seconds && *time_limit_seconds * 1000 < kCheckWaitMs
                         ? *time_limit_seconds * 1000
                         : kCheckWaitMs;
  return HoldIfOnlyTrustedMayChange(program, files_beside, Deadline::In(wait), held_program_);
}

}  // namespace tarnwell
