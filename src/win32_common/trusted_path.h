// Whether a program may be started with rights other accounts lack (as
// LocalSystem, or elevated): only trusted accounts may change the program,
// its folder, or what a path through the folders above leads to
// (core/installer/folder_access.h has the rule). The parts of the path are
// then held open, so none can be changed or replaced while the program
// starts and runs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/installer/folder_access.h"
#include "core/port/program_tree.h"
#include "win32_common/bounded_open.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {

// How long the checks of one path may take together: long enough for
// thousands of opens, short enough that a file another account holds up
// (an oplock) cannot keep a privileged command waiting.
constexpr DWORD kPathCheckMs = 5000;

// The most files and folders a program's folder tree may hold to be
// checked at all; a bigger one is refused.
constexpr std::size_t kMostTreeEntries = 2000;

// Handles on every part of a checked path. A file is held with read and
// execute access and only read sharing, a folder with list access and no
// delete sharing: an open finds any writer or deleter that came first, and
// while the handles are held nobody gains write or delete access, renames a
// part or sets an oplock that would hold up the program's start.
class HeldPath {
 public:
  // `until_start`: a part the program removes itself, let go once the
  // program has started (LetGoAtStart).
  void Add(UniqueFile part, bool until_start = false) {
    (until_start ? until_start_ : parts_).push_back(std::move(part));
  }
  // Names the held part `file` as the checked program `path`, so that what
  // is read of the program (its version) is read through that handle.
  void NameProgram(const std::wstring& path, HANDLE file, bool until_start) {
    program_path_ = path;
    program_ = file;
    program_until_start_ = until_start;
  }
  // The held handle on the program `path`, or null when it is not held.
  HANDLE Program(const std::wstring& path) const {
    if (!program_ || path.empty() ||
        CompareStringOrdinal(path.c_str(), -1, program_path_.c_str(), -1, TRUE) != CSTR_EQUAL) {
      return nullptr;
    }
    return program_;
  }
  void LetGoAtStart() {
    until_start_.clear();
    if (program_until_start_) program_ = nullptr;
  }
  void Release() {
    parts_.clear();
    until_start_.clear();
    program_ = nullptr;
  }

 private:
  std::vector<UniqueFile> parts_;
  std::vector<UniqueFile> until_start_;
  std::wstring program_path_;
  HANDLE program_ = nullptr;  // one of the parts above
  bool program_until_start_ = false;
};

// The owner and access list of the file or folder `part` is open on (with
// READ_CONTROL), the account running this check counted as
// Holder::CheckingAccount; why they could not be read.
std::optional<std::wstring> ReadAccess(HANDLE part, AccessList& list);

// Checks `program` (a fully qualified "X:\..." path on a local disk), each
// folder above it up to the drive's root, and as `tree` says everything in
// the program's folder, each opened as itself (a link or junction is
// refused, not followed) and judged by the security read through that
// handle. Every open ends by `deadline`. Nothing, with the parts held in
// `held`, when all are safe; why not otherwise. A part another program has
// open so that it cannot be shared (a sharing violation), or an open that
// does not end by `deadline`, is a refusal `in_use`, saying what Windows
// answered.
std::optional<PathRefusal> HoldIfOnlyTrustedMayChange(const std::wstring& program,
                                                      ProgramTree tree, const Deadline& deadline,
                                                      HeldPath& held);

// Whether programs may load from `folder` (a folder on the PATH): it and the
// folders above pass the same rule as a program's folder. Nothing is held.
std::optional<std::wstring> CheckFolderToLoadFrom(const std::wstring& folder,
                                                  const Deadline& deadline);

}  // namespace tarnwell
