// Whether a file or folder is safe for the package's printer steps to run
// from as LocalSystem: no broad group of accounts may change it, or change
// what a path through it leads to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

// The accounts a check is about: groups every ordinary account is in, and
// everyone else.
enum class Trustee { Everyone, AuthenticatedUsers, Users, Interactive, Other };

// One entry of an access list, as the file system stores it.
struct AccessEntry {
  bool allow = true;           // an allow entry, or a deny entry
  Trustee trustee = Trustee::Other;
  std::uint32_t mask = 0;      // file access rights, generic rights included
  bool inherit_only = false;   // meant for children only, not for this object
};

struct AccessList {
  bool has_list = true;        // false: a missing (null) list, which allows everything
  Trustee owner = Trustee::Other;
  std::vector<AccessEntry> entries;
};

enum class PathPlace {
  // The program, its folder, the package folder beside it and the package's
  // files: nobody else may add, change or delete anything there.
  ProgramOrPackage,
  // A folder further up: nobody else may delete or rename what lies below
  // it, nor take it over. Adding new entries there changes no path of ours
  // (a drive's root lets every account make folders of its own).
  FolderAbove,
};

// Why `list` makes the path unsafe, as part of a sentence ("Users may
// delete it"), or nothing when it is safe.
std::optional<std::wstring> UnsafeAccess(const AccessList& list, PathPlace place);

}  // namespace tarnwell
