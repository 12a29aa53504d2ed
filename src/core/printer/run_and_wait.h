// Starts a program from a command line and waits until it has finished: its
// own process has ended, and so has everything it started unless the
// package's result is already there. The window stays serviced meanwhile.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/port/machine.h"

namespace tarnwell {

// Longest pause while the started process runs; its end cuts a pause short.
inline constexpr unsigned kProcessPauseMilliseconds = 1000;
// Longest pause while processes it started still run: the package's result
// is looked for at least this often.
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
  std::uint32_t start_error = 0;  // the platform's error number when not started
  bool timed_out = false;  // the time limit ran out: it and all it started were ended
  // A privileged start's temporary folder, whether it was made for it, and
  // why it could not be removed afterwards (ProcessStart, StartedProcess).
  std::wstring temporary_folder;
  bool temporary_folder_made = false;
  std::optional<std::wstring> temporary_folder_left;
};

// Whether a program that needs administrator rights may be started through
// the elevation prompt; without it, such a start fails with error 740.
enum class ElevationPrompt { Allowed, Never };

// Whether the package's whole result is on the machine; none means the wait
// always follows every process started.
using ResultCheck = std::function<bool()>;

// Starts the program and waits for it and, as the header says, for what it
// started. The program must be named by its full path; any other name is
// not found. Text after a NUL character never reaches the platform. A
// program that needs administrator rights is started through the elevation
// prompt when `elevation` allows it. With `time_limit_seconds`, a wait still
// going on after that long ends the program and everything it started, and
// answers timed_out. The code is the started process's own exit code (as
// signed 32 bits), whatever its children end with, or kStartFailureBase plus
// the error number when the program cannot be started, elevated or not.
RunResult RunAndWait(Machine& machine, std::wstring command_line,
                     std::optional<int> window_style = std::nullopt,
                     const ResultCheck& result_present = {},
                     ElevationPrompt elevation = ElevationPrompt::Allowed,
                     std::optional<unsigned> time_limit_seconds = std::nullopt);

}  // namespace tarnwell
