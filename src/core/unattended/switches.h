// The unattended command line: which switches the program takes and what a
// given set of words asks it to do.
//
//   /install [/default] [/update] [/log <file>] [/timeout <seconds>]
//   /uninstall [/log <file>] [/timeout <seconds>]
//   /status [/update] [/log <file>]
//   /?
//
// A switch is a word that starts with "/" or "-"; its name is compared
// without regard to case. Words before the first switch are ignored (a file
// dropped on the program, the pieces of an unquoted program path), so a
// line without any switch leaves the program in window mode.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

// The longest /timeout: a week, longer than any setup may sensibly take,
// short of overflowing a count of milliseconds in 32 bits.
inline constexpr unsigned kMaxTimeoutSeconds = 7 * 24 * 60 * 60;

// The seconds a /timeout word gives: plain decimal digits only (no sign, no
// blanks, nothing a locale reads), from 1 to kMaxTimeoutSeconds.
std::optional<unsigned> TimeoutSeconds(const std::wstring& word);

enum class UnattendedAction { Install, Uninstall, Status, Help };

struct UnattendedRequest {
  UnattendedAction action = UnattendedAction::Help;
  bool set_default = false;               // /default, only with /install
  std::optional<std::wstring> log_path;   // the word after /log
  // /timeout, only with /install and /uninstall: how long the started setup
  // or uninstaller may take before it and everything it started is ended.
  std::optional<unsigned> timeout_seconds;
  // /update, only with /install and /status: an installed package older than
  // the one beside the program counts as something to replace.
  bool update = false;
  bool operator==(const UnattendedRequest&) const = default;
};

enum class CommandLineMode {
  Window,      // no switch at all: the program shows its window as always
  Unattended,  // a valid request: run it without any window
  Invalid,     // switches that make no valid request
};

struct ParsedCommandLine {
  CommandLineMode mode = CommandLineMode::Window;
  // Unattended: what to do. Invalid: only `log_path` is set, when /log was
  // followed by its file, so that the refusal can still be logged.
  UnattendedRequest request;
  // Invalid: why, as one sentence for the log; nullopt otherwise.
  std::optional<std::wstring> reason;
};

// Reads the words after the program's name, already split by the platform's
// rules. The word after /log is its file unless it is a switch itself; a path
// LogPathRefusal refuses makes the line invalid and is not kept, so nothing
// is written there.
ParsedCommandLine ParseCommandLineWords(const std::vector<std::wstring>& words);

// Whether anything but blanks and tabs follows the program's name in a whole
// command line, the name skipped as the platform's own splitting skips it:
// from an opening quote up to the next quote, otherwise up to the first blank
// or tab. Lets window mode decide without splitting the line.
bool HasWordsAfterProgramName(std::wstring_view command_line);

}  // namespace tarnwell
