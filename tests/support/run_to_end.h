// Runs a helper command line to its end, for the tests and the benchmarks
// that prepare or clean the machine with programs of their own.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace support {

// The program's exit code, or nullopt when it could not start or did not end
// within `timeout_ms` (it is then ended).
std::optional<DWORD> RunToEnd(std::wstring command_line, DWORD timeout_ms = 30000);

}  // namespace support
