// The program's log folder for one printer step: a folder only LocalSystem
// and the Administrators can change, never one another account made.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "win32_common/bounded_open.h"
#include "win32_common/log_folder_path.h"

namespace tarnwell {

struct StepLog {
  // The file the program logs into; none when no folder could be used (the
  // step then runs without the program's log).
  std::optional<std::wstring> file;
  // What the installation's log should say about the folder.
  std::vector<std::wstring> notes;
  // The folders on the way, held so that none can be renamed, replaced or
  // turned into a link while the step runs.
  HeldLogFolder folder;
};

// Prepares `wanted` ("...\<product>\Logs\<name>.log") as the program's own
// /log does (win32_common/log_folder_path.h): missing folders made with
// their access list given at creation, existing ones used when they pass
// the rule, a fresh folder beside any name taken by what fails it. A log
// file already there that may not be written (not a plain file with one
// name, or another account's) is left alone too, for a fresh folder beside
// its own. Every open ends by `deadline`.
StepLog PrepareStepLog(const std::wstring& wanted, const Deadline& deadline);

}  // namespace tarnwell
