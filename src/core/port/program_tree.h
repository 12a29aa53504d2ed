// What a check before a privileged start covers besides the program and the
// folders leading to it, and how what it holds lets its own program on.
#pragma once

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

}  // namespace tarnwell
