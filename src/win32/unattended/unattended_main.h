// The program started with switches: no window, no message box (but for the
// usage of /?), an exit code and, with /log, a log.
#pragma once

#include <optional>

namespace tarnwell {

// Reads the command line. When it holds switches, runs them and returns the
// exit code; nullopt when the program should show its window as always.
// Looks at nothing when nothing follows the program's name.
std::optional<int> RunCommandLineIfAny();

}  // namespace tarnwell
