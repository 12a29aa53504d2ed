// The program's log folder for one printer step: a folder only LocalSystem
// and the Administrators can change, never one another account made.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "win32_common/bounded_open.h"
#include "win32_common/trusted_path.h"

namespace tarnwell {

struct StepLog {
  // The file the program logs into; none when no folder could be used (the
  // step then runs without the program's log).
  std::optional<std::wstring> file;
  // What the installation's log should say about the folder.
  std::vector<std::wstring> notes;
  // The folders on the way, held so that none can be renamed, replaced or
  // turned into a link while the step runs.
  HeldPath held;
};

// Prepares `wanted` ("...\<product>\Logs\<name>.log"): each of its two
// folders is made with its access list given at creation, or, when the
// name is there already, used only if it is a plain folder owned by
// LocalSystem or the Administrators with a protected list nobody else may
// write through. Otherwise a new folder with an unpredictable name beside
// it is made and used. Every open ends by `deadline`.
StepLog PrepareStepLog(const std::wstring& wanted, const Deadline& deadline);

}  // namespace tarnwell
