// The temporary folder of a program started with rights other accounts
// lack. As LocalSystem, TEMP and TMP are the Windows folder's Temp, where
// every user may make files and folders: a package that unpacks or copies
// itself there (many bootstrappers and uninstallers do) would run, as
// SYSTEM, next to DLLs a user put there first. So such a start gets
// GetTempPath2W's folder where Windows has it (for SYSTEM the Windows
// folder's SystemTemp, which only SYSTEM may use; for an elevated
// administrator the account's own TMP or TEMP) when that folder passes the
// rule of a program's folder, and where it does not (Wine 8 has not), or
// the folder fails the rule, a folder made
// for the start, with an access list given at its creation that lets only
// SYSTEM and the Administrators in, held while the program runs and
// removed afterwards. The window, run by a person, changes none of this.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "win32_common/bounded_open.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {

class ChildTemporaryFolder {
 public:
  ChildTemporaryFolder() = default;
  ChildTemporaryFolder(ChildTemporaryFolder&&) = default;
  ChildTemporaryFolder& operator=(ChildTemporaryFolder&&) = default;
  // Removes a folder it made and has not removed yet.
  ~ChildTemporaryFolder() { Remove(); }

  // GetTempPath2W's answer, or a folder made under the Windows folder's
  // Temp; why neither could be had.
  std::optional<std::wstring> Prepare(const Deadline& deadline);

  // The folder, without a trailing separator, as TEMP names it; empty
  // before Prepare.
  const std::wstring& path() const { return path_; }
  // Whether the folder was made for this start (and so is removed).
  bool made() const { return static_cast<bool>(held_); }

  // Removes the folder made for this start and all it holds, opened
  // through the held handle, links removed and never followed; why not
  // all of it could be removed. Nothing to do for GetTempPath2W's folder.
  std::optional<std::wstring> Remove();

 private:
  std::optional<std::wstring> Make(const Deadline& deadline);

  std::wstring path_;
  UniqueFile held_;  // the made folder, until it is removed
};

// `block` (a CreateProcessW environment block) with TEMP and TMP set to
// `folder` in place of any earlier values, in the block's name order.
void SetTemporaryFolder(std::vector<wchar_t>& block, const std::wstring& folder);

}  // namespace tarnwell
