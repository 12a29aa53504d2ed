#include "win32/unattended/unattended_main.h"

#include <windows.h>

#include <memory>
#include <string>

#include "core/app/app.h"
#include "core/app/shared_routines.h"
#include "core/unattended/exit_codes.h"
#include "core/unattended/unattended_commands.h"
#include "core/unattended/usage.h"
#include "win32/machine/win32_machine.h"
#include "win32/unattended/command_line_words.h"
#include "win32/unattended/log_file.h"

namespace tarnwell {
namespace {

// Without /log nothing is written anywhere.
class NoLog : public LogSink {
 public:
  void WriteLine(const std::wstring&) override {}
};

std::unique_ptr<LogSink> OpenLog(const std::optional<std::wstring>& path) {
  if (!path) return std::make_unique<NoLog>();
  return std::make_unique<LogFile>(*path);
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

  const std::unique_ptr<LogSink> log = OpenLog(parsed.request.log_path);
  log->WriteLine(std::wstring(L"Command line: ") + GetCommandLineW());
  int code = exit_code::kInvalidCommandLine;
  if (parsed.mode == CommandLineMode::Invalid) {
    log->WriteLine(L"Invalid command line: " + parsed.reason);
  } else {
    Win32Machine machine;
    code = RunUnattended(machine, *log, parsed.request);
  }
  log->WriteLine(L"Exit code " + std::to_wstring(code) + L".");
  return code;
}

}  // namespace tarnwell
