// The process's command line, split by the platform's own rules.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

// Whether anything follows the program's name in this process's command
// line. Loads nothing: window mode asks this first and goes no further.
bool ProcessHasArguments();

// The words after the program's name in `command_line`, split by
// CommandLineToArgvW; nullopt when that cannot be had or fails.
std::optional<std::vector<std::wstring>> SplitCommandLineWords(const std::wstring& command_line);

// The same for this process's own command line.
std::optional<std::vector<std::wstring>> ProcessCommandLineWords();

}  // namespace tarnwell
