// Starts a program from a command line and waits until its process has ended,
// keeping the window serviced meanwhile.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/port/machine.h"

namespace tarnwell {

inline constexpr unsigned kPollMilliseconds = 100;
inline constexpr std::uint32_t kStillActive = 259;
// Added to the platform's error number when the program cannot be started.
inline constexpr std::int32_t kStartFailureBase = -2147221504;

// Show state for the started program: absent or outside 0..6 means 6.
int EffectiveWindowStyle(std::optional<int> window_style);

// The program part of a command line, and what follows it, as the platform's
// own command-line start would read them (quoted, or up to the first blank).
struct SplitCommand {
  std::wstring program;
  std::wstring arguments;
};
SplitCommand SplitCommandLine(const std::wstring& command_line);

struct RunResult {
  bool started = false;
  std::int32_t code = 0;  // the exit code, or the start failure's number
};

// RunAndWait that also tells whether the program could be started at all.
RunResult StartAndWait(Machine& machine, std::wstring command_line,
                       std::optional<int> window_style = std::nullopt);

// Returns the process's exit code (as signed 32 bits), or kStartFailureBase
// plus the error number when the program cannot be started, elevated or not.
// The program must be named by its full path; any other name is not found.
// Text after a NUL character never reaches the platform.
std::int32_t RunAndWait(Machine& machine, std::wstring command_line,
                        std::optional<int> window_style = std::nullopt);

}  // namespace tarnwell
