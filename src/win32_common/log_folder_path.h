// The folder a log written with rights other accounts lack (as LocalSystem,
// or elevated) goes into: made, or found and checked, then held until the
// log is closed. The program's /log and the package's own log folder both
// come from here; core/installer/log_folder_rule.h has the rule.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "win32_common/bounded_open.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {

struct HeldLogFolder {
  // The log file to open in folder(): the path asked for, with a fresh
  // folder in place of any name that was taken.
  std::wstring file;
  // Each folder not used and why, and the fresh folder used in its place,
  // as sentences for the user.
  std::vector<std::wstring> notes;
  // Why no folder could be had; nothing is held then.
  std::optional<std::wstring> refusal;
  // The drive's root or share, then every folder, the log's own last: each
  // open as itself, with list access and without delete sharing, so none
  // can be renamed, deleted or replaced while held.
  std::vector<UniqueFile> held;
  std::vector<std::wstring> held_paths;

  HANDLE folder() const { return held.empty() ? INVALID_HANDLE_VALUE : held.back().get(); }
};

// For `file` (a fully qualified path LogPathRefusal accepts), each folder
// on the way: made with an access list of LocalSystem and the
// Administrators alone, given at creation, when missing; used when it
// passes the rule; when the name is taken by anything that fails it (a
// file, a folder others may change, a link), left alone and a fresh
// "<name>-<16 hex digits>" folder made beside it and used. A root that
// fails the rule, or a folder that can be neither made nor replaced, is a
// refusal. Every open ends by `deadline`.
HeldLogFolder HoldLogFolder(const std::wstring& file, const Deadline& deadline);

// Puts a fresh folder beside the log's folder in its place and moves `log`
// there, for a log file in it that may not be written; false (with a note)
// when none could be made.
bool UseFreshLogFolder(HeldLogFolder& log, const Deadline& deadline);

}  // namespace tarnwell
