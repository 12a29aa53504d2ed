#include "win32/unattended/unattended_main.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/app/app.h"
#include "core/app/shared_routines.h"
#include "core/unattended/exit_codes.h"
#include "core/unattended/unattended_commands.h"
#include "core/unattended/usage.h"
#include "win32/machine/machine.h"
#include "win32/unattended/command_line_words.h"
#include "win32/unattended/log_file.h"
#include "win32/unattended/standard_output.h"

namespace tarnwell {
namespace {

// Without /log nothing is written anywhere.
class NoLog : public LogSink {
 public:
  void WriteLine(const std::wstring&) override {}
};

// The closing line, and how many lines the log lost to another process
// holding it locked, when it lost any.
std::wstring ClosingLine(int code, unsigned dropped) {
  std::wstring line = L"Exit code " + std::to_wstring(code) + L".";
  if (dropped > 0) {
    line += L" " + std::to_wstring(dropped) +
            L" earlier line(s) of this run were dropped: the log file was locked by another "
            L"process for too long.";
  }
  return line;
}

int ShowUsage() {
  const std::wstring title = DeriveApplicationTitle(kProductName);
  Win32Machine machine;
  MessageBoxW(nullptr, UnattendedUsageText(machine).c_str(), title.c_str(),
              MB_OK | MB_ICONINFORMATION);
  return exit_code::kDone;
}

}  // namespace

std::optional<int> RunCommandLineIfAny() {
  if (!ProcessHasArguments()) return std::nullopt;
  const auto words = ProcessCommandLineWords();
  // The platform could not split it: nothing can be decided, nothing is done.
  if (!words) return exit_code::kFailed;
  const ParsedCommandLine parsed = ParseCommandLineWords(*words);
  if (parsed.mode == CommandLineMode::Window) return std::nullopt;
  if (parsed.mode == CommandLineMode::Unattended &&
      parsed.request.action == UnattendedAction::Help) {
    return ShowUsage();
  }

  std::unique_ptr<LogFile> file;
  if (parsed.request.log_path) file = std::make_unique<LogFile>(*parsed.request.log_path);
  NoLog no_log;
  LogSink& log = file ? static_cast<LogSink&>(*file) : no_log;
  // Where the log went, when not where asked, is said both on the output and
  // in the log itself, right after the command line.
  const std::vector<std::wstring> notes = file ? file->notes() : std::vector<std::wstring>{};
  for (const std::wstring& note : notes) WriteToStandardOutput(note);
  const auto log_start = [&] {
    log.WriteLine(std::wstring(L"Command line: ") + GetCommandLineW());
    for (const std::wstring& note : notes) log.WriteLine(note);
  };
  int code = exit_code::kInvalidCommandLine;
  if (parsed.mode == CommandLineMode::Invalid) {
    log_start();
    log.WriteLine(L"Invalid command line: " + parsed.reason.value_or(L""));
  } else if (file && !file->is_open()) {
    // Nothing is done that could not be logged where asked.
    return exit_code::kLogNotOpened;
  } else {
    log_start();
    Win32Machine machine;
    // What /status finds is printed too.
    StandardOutputSink printed(log);
    const bool status = parsed.request.action == UnattendedAction::Status;
    code = RunUnattended(machine, status ? static_cast<LogSink&>(printed) : log, parsed.request);
  }
  log.WriteLine(ClosingLine(code, file ? file->dropped() : 0));
  return code;
}

}  // namespace tarnwell
