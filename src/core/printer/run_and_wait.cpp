#include "core/printer/run_and_wait.h"

#include "core/printer/command_line.h"

namespace tarnwell {

int EffectiveWindowStyle(std::optional<int> window_style) {
  if (!window_style || *window_style < 0 || *window_style > 6) return 6;
  return *window_style;
}

SplitCommand SplitCommandLine(const std::wstring& command_line) {
  std::size_t start = command_line.find_first_not_of(L" \t");
  if (start == std::wstring::npos) return {};
  std::wstring program;
  std::size_t rest = 0;
  if (command_line[start] == L'"') {
    const std::size_t close = command_line.find(L'"', start + 1);
    program = command_line.substr(start + 1, close == std::wstring::npos
                                                 ? std::wstring::npos
                                                 : close - start - 1);
    rest = close == std::wstring::npos ? command_line.size() : close + 1;
  } else {
    const std::size_t blank = command_line.find_first_of(L" \t", start);
    program = command_line.substr(start, blank == std::wstring::npos ? std::wstring::npos
                                                                      : blank - start);
    rest = blank == std::wstring::npos ? command_line.size() : blank;
  }
  const std::size_t args = command_line.find_first_not_of(L" \t", rest);
  return {program, args == std::wstring::npos ? std::wstring() : command_line.substr(args)};
}

namespace {

// What one look at a started process saw.
struct WaitObservation {
  bool process_ended = false;   // the started process itself
  bool others_running = false;  // any process it started (job or descendants)
  bool result_present = false;  // the package's whole result is on the machine
};

// Many packages start the real work in a child and end at once
// (bootstrappers, uninstallers that run a copy of themselves), and some leave
// a resident helper behind after a good install: so the wait is over once
// the started process has ended and either nothing it started still runs or
// the package's result is already there.
bool WaitIsOver(const WaitObservation& seen) {
  return seen.process_ended && (!seen.others_running || seen.result_present);
}

// Whether the started process has ended, and its exit code once it has.
// A code that cannot be read ends the wait for it, and so does any code but
// the still-running marker; a real exit code of 259 ends it too, since the
// process has then ended.
bool ProcessEnded(StartedProcess& process, std::uint32_t& exit_code) {
  const bool ended = process.HasEnded();
  const std::optional<std::uint32_t> code = process.ExitCode();
  exit_code = code.value_or(0);
  return ended || !code || exit_code != kStillActive;
}

// The exit code, or nothing when the time limit ran out first (everything
// started is then ended).
std::optional<std::uint32_t> WaitForTree(Machine& machine, StartedProcess& process,
                                         const ResultCheck& result_present,
                                         std::optional<unsigned> time_limit_seconds) {
  std::optional<std::uint64_t> deadline;
  if (time_limit_seconds) {
    deadline = machine.SteadyMilliseconds() + std::uint64_t{*time_limit_seconds} * 1000;
  }
  std::uint32_t exit_code = 0;
  while (true) {
    if (deadline && machine.SteadyMilliseconds() >= *deadline) {
      process.EndAll();
      return std::nullopt;
    }
    WaitObservation seen;
    seen.process_ended = ProcessEnded(process, exit_code);
    machine.ProcessPendingMessages();
    if (seen.process_ended) {
      seen.others_running = process.OthersRunning();
      seen.result_present = seen.others_running && result_present && result_present();
    }
    if (WaitIsOver(seen)) return exit_code;
    process.Pause(seen.process_ended ? kPollMilliseconds : kProcessPauseMilliseconds);
  }
}

}  // namespace

RunResult RunAndWait(Machine& machine, std::wstring command_line,
                     std::optional<int> window_style, const ResultCheck& result_present,
                     ElevationPrompt elevation, std::optional<unsigned> time_limit_seconds) {
  const std::size_t nul = command_line.find(L'\0');
  if (nul != std::wstring::npos) command_line.resize(nul);
  const int show = EffectiveWindowStyle(window_style);

  // The program is started by its full path, so that nothing is looked for
  // in the current folder; anything else is a program that cannot be found.
  const SplitCommand split = SplitCommandLine(command_line);
  ProcessStart start;
  start.error = win_error::kFileNotFound;
  if (IsFullyQualified(split.program)) {
    start = machine.StartProcess(split.program, command_line, show);
  }
  if (!start.started() && start.error == win_error::kElevationRequired &&
      elevation == ElevationPrompt::Allowed) {
    start = machine.StartElevated(split.program, split.arguments, show);
  }
  RunResult result;
  if (!start.started()) {
    result.code =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(kStartFailureBase) + start.error);
    result.start_error = start.error;
    return result;
  }
  const std::optional<std::uint32_t> exit_code =
      WaitForTree(machine, *start.process, result_present, time_limit_seconds);
  result.started = true;
  result.code = static_cast<std::int32_t>(exit_code.value_or(0));
  result.timed_out = !exit_code;
  result.temporary_folder = start.temporary_folder;
  result.temporary_folder_made = start.temporary_folder_made;
  result.temporary_folder_left = start.process->Finish();
  return result;
}

}  // namespace tarnwell
