// Making a command line written by someone else safe to start.
#pragma once

#include <string>

#include "core/port/machine.h"

namespace tarnwell {

// When `command_line` does not start with a quote, the longest prefix ending
// at a blank (or at the end) that names an existing file is taken as the
// program and quoted, the rest kept as its arguments. A quoted line, or one in
// which no prefix names an existing file, comes back unchanged.
std::wstring QuoteProgramPath(Machine& machine, const std::wstring& command_line);

}  // namespace tarnwell
