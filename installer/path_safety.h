// What the printer steps check and prepare on disk before they run anything
// as LocalSystem: that nobody else can change the programs they start, and
// a log folder nobody else can write to.
#pragma once

#include <string>

namespace tarnwell {

// Why the program, its folder, the package folder beside it (and its files)
// or a folder above them is not safe to run from as LocalSystem; empty when
// all are safe.
std::wstring UnsafeProgramPath(const std::wstring& program, const std::wstring& package_folder);

// Makes the folder holding `log_file`, and its parent, writable only by
// LocalSystem and the Administrators group (owned by the Administrators, no
// inherited access), whoever made them before, and removes a log file there
// that neither owns. Why it could not; empty when done.
std::wstring SecureLogFolder(const std::wstring& log_file);

}  // namespace tarnwell
