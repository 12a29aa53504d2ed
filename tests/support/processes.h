// Starting and ending programs, for the tests and the benchmarks: programs
// run as a person starts them, and helper command lines run to their end.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace support {

// A process as CreateProcess hands it back; the caller owns `process`.
struct Started {
  HANDLE process = nullptr;
  DWORD pid = 0;
};

// Starts `program` (a full path, quoted as its command line) with `folder` as
// its working directory, as a double click in the shell does; an empty
// Started when it cannot start.
Started StartInFolder(const std::wstring& program, const std::wstring& folder);

// Ends `process` when it still runs, waiting up to `wait_ms` for it to go,
// then closes the handle. Does nothing for a null handle.
void EndAndClose(HANDLE process, DWORD wait_ms);

// The program's exit code, or nullopt when it could not start or did not end
// within `timeout_ms` (it is then ended).
std::optional<DWORD> RunToEnd(std::wstring command_line, DWORD timeout_ms = 30000);
// The same for `program`, started by its full path with `arguments` in
// `folder` (empty: this process's), without a console window.
std::optional<DWORD> RunProgramToEnd(const std::wstring& program, const std::wstring& arguments,
                                     const std::wstring& folder, DWORD timeout_ms);

}  // namespace support
