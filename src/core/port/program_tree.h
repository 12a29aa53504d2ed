// What a check before a privileged start covers besides the program and the
// folders leading to it, and how what it holds lets its own program on.
#pragma once

#include <string>

namespace tarnwell {

enum class ProgramTree {
  kProgramOnly,  // nothing more: a program of Windows' own folders
  // The whole tree of the program's folder, held so that nobody may write
  // to, delete or rename any of it while the program runs.
  kKeptAsIs,
  // The same, but the program removes its own folder (an uninstaller): that
  // tree is held only until the program has started, the folders above
  // while it runs.
  kRemovedByIt,
};

// Why a checked program may not be started: a part another account could
// change (the command fails), or a part another program has open in a way
// the check cannot share, or held up past the check's bound (the command
// answers "try again later": the file is fine, only busy).
struct PathRefusal {
  std::wstring why;  // names the part and the cause, as a sentence without its end
  bool in_use = false;
  std::wstring file{};  // in use: the part that is, by its full path
};

}  // namespace tarnwell
