// The product version of a program file read through a handle already
// open on it (core/printer/version_resource.h reads the bytes), so the file
// whose version counts is the one that was opened, held and checked.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "win32_common/bounded_open.h"

namespace tarnwell {

// `file` is open with FILE_READ_DATA; every read is made by `deadline`.
// Nothing when the file has no version or cannot be read in time.
std::optional<std::wstring> ProgramVersionOf(HANDLE file, const Deadline& deadline);

}  // namespace tarnwell
