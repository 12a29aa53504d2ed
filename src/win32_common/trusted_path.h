// Whether a program may be started with rights other accounts lack (as
// LocalSystem, or elevated): only trusted accounts may change the program,
// its folder, or what a path through the folders above leads to
// (core/installer/folder_access.h has the rule). The parts of the path are
// then held open, so none can be replaced until the program has started.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/installer/folder_access.h"
#include "win32_common/bounded_open.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {

// Handles on every part of a checked path, opened without write or delete
// sharing: while they are held, no part can be renamed, deleted, written or
// replaced by a link.
class HeldPath {
 public:
  void Add(UniqueFile part) { parts_.push_back(std::move(part)); }
  void Release() { parts_.clear(); }

 private:
  std::vector<UniqueFile> parts_;
};

// The owner and access list of the file or folder `part` is open on (with
// READ_CONTROL), the account running this check counted as
// Holder::CheckingAccount; why they could not be read.
std::optional<std::wstring> ReadAccess(HANDLE part, AccessList& list);

// Checks `program` (a fully qualified "X:\..." path), its folder, with
// `files_beside` every file in that folder too, and each folder above it up
// to the drive's root, each opened as itself (a link or junction is
// refused, not followed) and judged by the security read through that
// handle. Every open ends by `deadline`. Nothing, with the parts held in
// `held`, when all are safe; why not otherwise, as a sentence.
std::optional<std::wstring> HoldIfOnlyTrustedMayChange(const std::wstring& program,
                                                       bool files_beside,
                                                       const Deadline& deadline, HeldPath& held);

}  // namespace tarnwell
