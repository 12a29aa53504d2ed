#include "core/unattended/unattended_commands.h"

#include <memory>
#include <string>

#include "core/app/app.h"
#include "core/app/shared_routines.h"
#include "core/app/text.h"
#include "core/port/run_error.h"
#include "core/printer/default_printer.h"
#include "core/printer/install_command.h"
#include "core/printer/package.h"
#include "core/printer/package_result.h"
#include "core/printer/printer_search.h"
#include "core/printer/registry.h"
#include "core/printer/run_and_wait.h"
#include "core/printer/uninstall_command.h"
#include "core/unattended/exit_codes.h"

namespace tarnwell {
namespace {

constexpr wchar_t kQuietUninstallValue[] = L"QuietUninstallString";

class UnattendedRun {
 public:
  UnattendedRun(Machine& machine, LogSink& log, std::optional<unsigned> time_limit_seconds)
      : m_(machine), log_(log), time_limit_seconds_(time_limit_seconds) {}

  int Install(bool set_default) {
    const auto lock = m_.TakeCommandLock();
    if (!lock) return InProgress();
    const std::wstring printer = Quoted(package::kName);
    if (IsPrinterInstalled(m_, package::kName)) {
      log_.WriteLine(L"The printer " + printer + L" is installed already: the setup is not run.");
    } else {
      log_.WriteLine(L"The printer " + printer + L" is not installed.");
      const std::wstring folder = m_.ApplicationFolder();
      const std::wstring setup = package::SetupProgramPath(folder);
      if (!FindOrdinaryFile(m_, setup)) {
        return Fail(L"The package's setup program " + Quoted(setup) + L" was not found.");
      }
      log_.WriteLine(L"The package's setup program: " + Quoted(setup) + L".");
      const int started = Start(L"setup", SetupCommandLine(folder), package::kSetupWindowStyle,
                                [this] { return PackageInstalled(m_); });
      if (started != exit_code::kDone) return started;
      if (!IsPrinterInstalled(m_, package::kName)) {
        return Fail(L"The printer " + printer + L" is not there after the setup.");
      }
      log_.WriteLine(L"The printer " + printer + L" is installed.");
    }
    return set_default ? SetDefault() : exit_code::kDone;
  }

  int Uninstall() {
    const auto lock = m_.TakeCommandLock();
    if (!lock) return InProgress();
    const std::wstring printer = Quoted(package::kName);
    if (!IsPrinterInstalled(m_, package::kName)) {
      log_.WriteLine(L"The printer " + printer + L" is not installed: nothing to do.");
      return exit_code::kDone;
    }
    log_.WriteLine(L"The printer " + printer + L" is installed.");
    const std::wstring folder =
        package::InstalledFolder(m_.EnvironmentVariable(package::kProgramFilesVariable));
    if (!FindVisibleEntry(m_, folder)) {
      return Fail(L"The package's folder " + Quoted(folder) + L" was not found.");
    }
    const std::wstring command = RegisteredUninstallCommand();
    if (command.empty()) return Fail(L"The package registered no uninstall command.");
    const auto resolved = ResolveUninstallProgram(m_, command.substr(0, command.find(L'\0')));
    if (!resolved) {
      return Fail(L"The uninstall command " + Quoted(command) +
                  L" names no program that may be started: the program must be an existing "
                  L"file named by its full path, or a program of the system's folders.");
    }
    const int started = Start(L"uninstaller", resolved->command_line, std::nullopt,
                              [this] { return PackageRemoved(m_); });
    if (started != exit_code::kDone) return started;
    if (IsPrinterInstalled(m_, package::kName)) {
      return Fail(L"The printer " + printer + L" is still there after the uninstaller.");
    }
    log_.WriteLine(L"The printer " + printer + L" is removed.");
    return exit_code::kDone;
  }

  int Status() {
    if (IsPrinterInstalled(m_, package::kName)) {
      log_.WriteLine(L"The printer " + Quoted(package::kName) + L" is installed.");
      return exit_code::kDone;
    }
    log_.WriteLine(L"The printer " + Quoted(package::kName) + L" is not installed.");
    return exit_code::kNotInstalled;
  }

 private:
  int InProgress() {
    log_.WriteLine(L"Another installation or removal of the PDF printer is in progress.");
    return exit_code::kAnotherInProgress;
  }

  int Fail(const std::wstring& why) {
    log_.WriteLine(why);
    return exit_code::kFailed;
  }

  // The quiet command when the package registered one: no one may be there
  // to answer the uninstaller's questions.
  std::wstring RegisteredUninstallCommand() {
    const std::wstring key = package::UninstallKeyPath();
    const std::wstring quiet = RegistryValueText(
        ReadRegistryValue(m_, RegRoot::LocalMachine, key, kQuietUninstallValue));
    if (!quiet.empty()) {
      log_.WriteLine(L"Using the registered QuietUninstallString.");
      return quiet;
    }
    log_.WriteLine(L"No QuietUninstallString registered: using the UninstallString.");
    return RegistryValueText(
        ReadRegistryValue(m_, RegRoot::LocalMachine, key, package::kUninstallValue));
  }

  // Starts `command_line` without the elevation prompt and waits for it and
  // everything it starts. kDone when it ran, whatever its exit code.
  int Start(const wchar_t* what, const std::wstring& command_line,
            std::optional<int> window_style, const ResultCheck& result_present) {
    log_.WriteLine(std::wstring(L"Starting the ") + what + L": " + command_line + L" (as " +
                   m_.AccountName() + L").");
    const std::uint64_t began = m_.SteadyMilliseconds();
    const RunResult result = StartAndWait(m_, command_line, window_style, result_present,
                                          ElevationPrompt::Never, time_limit_seconds_);
    const std::uint64_t took = m_.SteadyMilliseconds() - began;
    if (result.timed_out) {
      return Fail(std::wstring(L"The ") + what + L" did not end within " +
                  std::to_wstring(*time_limit_seconds_) +
                  L" seconds (/timeout): it and every process it started were ended.");
    }
    if (!result.started && result.start_error == win_error::kElevationRequired) {
      log_.WriteLine(std::wstring(L"The ") + what +
                     L" needs administrator rights, which this process does not have: nothing "
                     L"was started.");
      return exit_code::kElevationRequired;
    }
    if (!result.started) {
      return Fail(std::wstring(L"The ") + what + L" could not be started (system error " +
                  std::to_wstring(result.start_error) + L").");
    }
    log_.WriteLine(std::wstring(L"The ") + what + L" ended with exit code " +
                   std::to_wstring(result.code) + L" after " + std::to_wstring(took) + L" ms.");
    return exit_code::kDone;
  }

  int SetDefault() {
    if (m_.RunsAsLocalSystem()) {
      log_.WriteLine(
          L"Running as the LocalSystem account: the default printer belongs to each user, so it "
          L"is not set here. Run /install /default as the user to set it.");
      return exit_code::kDone;
    }
    App app(m_);
    if (!MakeDefaultPrinter(app, package::kName, false)) {
      return Fail(L"The default printer could not be set to " + Quoted(package::kName) + L".");
    }
    log_.WriteLine(Quoted(package::kName) + L" is now the default printer of " +
                   m_.AccountName() + L".");
    return exit_code::kDone;
  }

  Machine& m_;
  LogSink& log_;
  std::optional<unsigned> time_limit_seconds_;
};

int Dispatch(UnattendedRun& run, const UnattendedRequest& request) {
  switch (request.action) {
    case UnattendedAction::Install:
      return run.Install(request.set_default);
    case UnattendedAction::Uninstall:
      return run.Uninstall();
    case UnattendedAction::Status:
      return run.Status();
    case UnattendedAction::Help:
      break;
  }
  return exit_code::kInvalidCommandLine;
}

}  // namespace

int RunUnattended(Machine& machine, LogSink& log, const UnattendedRequest& request) {
  UnattendedRun run(machine, log, request.timeout_seconds);
  try {
    return Dispatch(run, request);
  } catch (const RunError& e) {
    log.WriteLine(L"Failed: " + e.description());
  } catch (const std::exception&) {
    log.WriteLine(L"Failed: an unexpected error.");
  }
  return exit_code::kFailed;
}

}  // namespace tarnwell
