// Making a command line written by someone else safe to start.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace tarnwell {

// The longest program path looked for in an unquoted command line, and the
// longest command line the platform starts.
inline constexpr std::size_t kMaxProgramPath = 260;
inline constexpr std::size_t kMaxCommandLine = 32767;

// A drive, a colon and a separator: a path that names one file wherever the
// program was started from.
bool IsFullyQualified(const std::wstring& path);

// Where a program named without a folder is looked for, in this order: the
// system folder, then the Windows folder. Never PATH, the application folder
// or the current folder.
struct ProgramSearch {
  std::wstring system_folder;
  std::wstring windows_folder;
};

// Answers whether a path names an existing file (not a folder).
using FileLookup = std::function<bool(const std::wstring&)>;

// The program to start, by its full path, and the whole command line, the
// program quoted as its first word.
struct ResolvedCommand {
  std::wstring program;
  std::wstring command_line;
};

// Finds the program a registered command means, or nullopt when it may not
// be started:
// - quoted: the quoted part, a fully qualified path of an existing file or a
//   bare name; an unclosed quote starts nothing;
// - unquoted: the longest prefix of at most kMaxProgramPath characters ending
//   at a blank (or at the end) that is a fully qualified path of an existing
//   file, or else a bare first word;
// - a bare name (no folder, no drive) is looked for as ProgramSearch says,
//   ".exe" added when it has no extension;
// - a relative path, or a command longer than kMaxCommandLine, starts nothing.
std::optional<ResolvedCommand> ResolveRegisteredCommand(const std::wstring& command,
                                                        const ProgramSearch& search,
                                                        const FileLookup& is_file);

}  // namespace tarnwell
