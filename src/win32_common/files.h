// Files and environment, as the program and the stand-in package read them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell {

// Value of an environment variable; empty when it is not set.
std::wstring EnvironmentValue(const std::wstring& name);

// A file's bytes, but never more than `max_bytes + 1` of them: a longer
// result tells the caller the file is too large without all of it being read.
// Throws RunError naming the file: it cannot be opened or read, or it is a folder.
std::vector<std::uint8_t> ReadFileCapped(const std::wstring& path, std::size_t max_bytes);

// Whether `file` is open on an ordinary file on a disk with one name: not a
// device or pipe, not a folder, link or junction, not a hard link to a file
// another name leads to. The only kind of file written with rights other
// accounts lack.
bool IsOrdinaryDiskFile(HANDLE file);

}  // namespace tarnwell
