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
// file, a folder others may change, a link), left alone, and a
// "<name>-<16 hex digits>" folder beside it used instead: the first (by
// name) that an earlier run made and that passes the rule, else a fresh
// one. A root that fails the rule, or a folder that can be neither made nor
// replaced, is a refusal. Every open ends by `deadline`. With
// `name_in_folder`, the file's own name may be an existing folder: when it
// is one, itself and not a link (asked through the held folder above it),
// the log is `name_in_folder` in it.
HeldLogFolder HoldLogFolder(const std::wstring& file, const Deadline& deadline,
                            const std::wstring& name_in_folder = {});

// Puts a folder beside the log's folder in its place, as HoldLogFolder does, and moves `log`
// there, for a log file in it that may not be written; false (with a note)
// when none could be made.
bool UseFreshLogFolder(HeldLogFolder& log, const Deadline& deadline);

}  // namespace tarnwell
