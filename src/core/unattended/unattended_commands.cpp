#include "core/unattended/unattended_commands.h"

#include <cstdint>
#include <memory>
#include <string>

#include "core/app/app.h"
#include "core/app/shared_routines.h"
#include "core/port/run_error.h"
#include "core/printer/default_printer.h"
#include "core/printer/package.h"
#include "core/printer/package_commands.h"
#include "core/printer/package_result.h"
#include "core/printer/protected_print.h"
#include "core/printer/run_and_wait.h"
#include "core/texts/text.h"
#include "core/unattended/exit_codes.h"
#include "core/unattended/in_use_count.h"
#include "core/unattended/printer_condition.h"
#include "core/unattended/printer_renewal.h"
#include "core/unattended/shipped_version.h"
#include "core/unattended/unattended_steps.h"

namespace tarnwell {
namespace {

class UnattendedRun {
 public:
  UnattendedRun(Machine& machine, LogSink& log, std::optional<unsigned> time_limit_seconds)
      : m_(machine), log_(log), time_limit_seconds_(time_limit_seconds) {}

  int Install(bool set_default, bool update) {
    const auto lock = m_.TakeCommandLock();
    if (!lock) return InProgress();
    const std::wstring printer = Quoted(package::kName);
    int answer = exit_code::kDone;
    bool was_default = false;
    const bool there = CheckedPrinterPresence(m_);
    if (there && update) {
      if (const auto refused = HoldSetupToReadItsVersion()) return *refused;
    }
    const bool renew = there && NeedsRenewal(m_, log_, update);
    if (there && !renew) {
      log_.WriteLine(L"The printer " + printer + L" is installed already: the setup is not run.");
    } else {
      if (!there) log_.WriteLine(L"The printer " + printer + L" is not installed.");
      if (ProtectedPrintOn()) {
        log_.WriteLine(L"Nothing was done: Windows protected print mode allows only Windows' "
                       L"own printer drivers, so the printer package cannot be installed on "
                       L"this PC. Turn the mode off, or leave this PC out.");
        return exit_code::kProtectedPrint;
      }
      const std::wstring folder = m_.ApplicationFolder();
      const std::wstring setup = package::SetupProgramPath(folder);
      if (!FindOrdinaryFile(m_, setup)) {
        return Fail(L"The package's setup program " + Quoted(setup) + L" was not found.");
      }
      log_.WriteLine(L"The package's setup program: " + Quoted(setup) + L".");
      if (renew) {
        was_default = IsDefaultOfThisAccount(m_, log_);
        const int removed = RemoveForRenewal(setup);
        if (removed != exit_code::kDone) return removed;
      }
      if (const auto unsafe =
              Hold(setup, ProgramTree::kKeptAsIs)) {
        return Unsafe(*unsafe);
      }
      const int started = Start(L"setup", SetupCommandLine(folder), package::kSetupWindowStyle,
                                [this] { return PackageInstalled(m_); });
      if (started != exit_code::kDone) return started;
      if (!CheckedPrinterPresence(m_)) {
        if (package_code_ == exit_code::kAnotherInProgress) {
          log_.WriteLine(L"The setup answered 1618: another installation on this machine is in "
                         L"progress, so the printer was not installed. Try again later.");
          return exit_code::kAnotherInProgress;
        }
        if (renew) NoPrinterAfterRenewal(log_);
        return Fail(L"The printer " + printer + L" is not there after the setup.");
      }
      if (renew && !WorksAfterRenewal(m_, log_)) return exit_code::kFailed;
      if (update && !RegisteredAsShipped(m_, log_)) return exit_code::kFailed;
      log_.WriteLine(L"The printer " + printer + L" is installed.");
      answer = RestartAnswer(log_, L"setup", package_code_, PackageInstalled(m_));
      if (answer == exit_code::kDone) answer = RestartAfterRemoval(log_, uninstaller_code_);
    }
    if (set_default || was_default) {
      const int defaulted = SetDefault();
      if (defaulted != exit_code::kDone) return defaulted;
    }
    return answer;
  }

  int Uninstall() {
    const auto lock = m_.TakeCommandLock();
    if (!lock) return InProgress();
    const std::wstring printer = Quoted(package::kName);
    if (!CheckedPrinterPresence(m_)) {
      log_.WriteLine(L"The printer " + printer + L" is not installed: nothing to do.");
      return exit_code::kDone;
    }
    log_.WriteLine(L"The printer " + printer + L" is installed.");
    const std::wstring folder =
        package::InstalledFolder(m_.EnvironmentVariable(package::kProgramFilesVariable));
    if (!FindVisibleEntry(m_, folder)) {
      return Fail(L"The package's folder " + Quoted(folder) + L" was not found.");
    }
    const std::wstring command = RegisteredUninstallCommand(m_, log_);
    if (command.empty()) return Fail(L"The package registered no uninstall command.");
    const int started = RunUninstaller(command, false);
    if (started != exit_code::kDone) return started;
    if (CheckedPrinterPresence(m_)) {
      return Fail(L"The printer " + printer + L" is still there after the uninstaller.");
    }
    log_.WriteLine(L"The printer " + printer + L" is removed.");
    return RestartAnswer(log_, L"uninstaller", package_code_, PackageRemoved(m_));
  }

  int Status(bool update) {
    const std::wstring printer = Quoted(package::kName);
    if (!CheckedPrinterPresence(m_)) {
      log_.WriteLine(L"The printer " + printer + L" is not installed.");
      if (ProtectedPrintOn()) log_.WriteLine(L"/install cannot install it here: it answers 1625.");
      return exit_code::kNotInstalled;
    }
    const PrinterFindings findings = ExaminePrinter(m_, update);
    for (const std::wstring& line : findings.lines) log_.WriteLine(line);
    switch (findings.condition) {
      case PrinterCondition::Broken:
        log_.WriteLine(L"/install repairs it.");
        return exit_code::kBroken;
      case PrinterCondition::Older:
        log_.WriteLine(L"/install /update installs the newer package.");
        return exit_code::kOlder;
      case PrinterCondition::Working:
        break;
    }
    log_.WriteLine(L"The printer " + printer + L" is installed.");
    return exit_code::kDone;
  }

 private:
  // Removes the installed package before its setup runs again: through the
  // registered uninstaller when there is one, and the spooler deletes a
  // queue the uninstaller left. Nothing is removed unless the setup may run.
  int RemoveForRenewal(const std::wstring& setup) {
    if (const auto unsafe =
            Hold(setup, ProgramTree::kKeptAsIs)) {
      return Unsafe(*unsafe);
    }
    const std::wstring command = RegisteredUninstallCommand(m_, log_);
    if (command.empty()) {
      log_.WriteLine(L"The package registered no uninstall command.");
    } else {
      const int ran = RunUninstaller(command, true);
      if (ran != exit_code::kDone) return ran;
    }
    return DeleteQueueLeftBehind(m_, log_) ? exit_code::kDone : exit_code::kFailed;
  }

  // /update compares the setup's version: the setup is held before it is
  // read, so the file read is the one checked, and read through that hold,
  // which no other program can hold up. No setup: there is no version.
  std::optional<int> HoldSetupToReadItsVersion() {
    const std::wstring setup = package::SetupProgramPath(m_.ApplicationFolder());
    if (!FindOrdinaryFile(m_, setup)) return std::nullopt;
    if (const auto refused =
            Hold(setup, ProgramTree::kKeptAsIs)) {
      return Unsafe(*refused);
    }
    return std::nullopt;
  }

  // Runs the registered uninstall command and waits for it; kDone when it
  // ran, whatever its exit code. A command that names no program that may
  // be started fails /uninstall; a repair goes on without it.
  int RunUninstaller(const std::wstring& command, bool renewing) {
    const auto refuse = [&](const std::wstring& why) {
      if (!renewing) return Fail(why);
      log_.WriteLine(why);
      return exit_code::kDone;
    };
    const auto resolved = ResolveUninstallProgram(m_, command.substr(0, command.find(L'\0')));
    if (!resolved) {
      return refuse(L"The uninstall command " + Quoted(command) +
                    L" names no program that may be started: the program must be an existing "
                    L"file named by its full path, or a program of the system's folders.");
    }
    // An uninstaller removes its own folder.
    const bool windows_own = InWindowsFolders(m_, resolved->program);
    const ProgramTree tree = windows_own ? ProgramTree::kProgramOnly : ProgramTree::kRemovedByIt;
    const auto run = windows_own ? SystemMsiExecRemoval(m_, *resolved) : resolved;
    if (!run) {
      return refuse(L"The uninstall command " + Quoted(command) +
                    L" is refused: of the programs in Windows' own folders, this command runs "
                    L"only the system's MsiExec.exe with /X or /I and a product code ({...}).");
    }
    if (const auto unsafe = Hold(run->program, tree)) {
      return Unsafe(*unsafe);
    }
    const int started = Start(L"uninstaller", run->command_line, std::nullopt,
                              [this] { return PackageRemoved(m_); });
    if (started == exit_code::kDone && renewing) uninstaller_code_ = package_code_;
    return started;
  }

  int InProgress() {
    log_.WriteLine(L"Another installation or removal of the PDF printer is in progress.");
    return exit_code::kAnotherInProgress;
  }

  int Fail(const std::wstring& why) {
    log_.WriteLine(why);
    return exit_code::kFailed;
  }

  // The check before a privileged start; one that finds nothing in use
  // ends a run of "in use" answers.
  std::optional<PathRefusal> Hold(const std::wstring& program, ProgramTree tree) {
    auto refused = m_.HoldProgramPath(program, tree, time_limit_seconds_);
    if (!refused || !refused->in_use) ForgetInUse(m_);
    return refused;
  }

  // Run as LocalSystem or elevated, a program another account can change
  // would run with our rights. A part another program has open, or holds
  // up, is only busy: the deployment tool tries again later, up to the
  // bound of answers in a row for that file; then the command fails, so
  // that a file held for good is reported rather than retried for ever.
  int Unsafe(const PathRefusal& refusal) {
    if (refusal.in_use) {
      const unsigned count = CountInUse(m_, refusal.file);
      if (count < kInUseBound) {
        log_.WriteLine(L"Nothing was started: " + refusal.why + L"; try again later.");
        return exit_code::kAnotherInProgress;
      }
      return Fail(L"Nothing was started: " + refusal.why + L". The last " +
                  std::to_wstring(count) + L" commands found it in use: end the program that "
                  L"holds it, or restart the PC, then run the command again.");
    }
    const std::wstring& why = refusal.why;
    return Fail(L"Nothing was started: " + why +
                L". Run with rights other accounts lack, this command starts only programs "
                L"that just SYSTEM, the Administrators, TrustedInstaller and " + m_.AccountName() +
                L" can change.");
  }

  // Whether Windows protected print mode is on, with what was found in the log.
  bool ProtectedPrintOn() {
    const ProtectedPrintFindings findings = FindProtectedPrintMode(m_);
    for (const std::wstring& line : findings.lines) log_.WriteLine(line);
    return findings.on;
  }

  // Starts `command_line` without the elevation prompt and waits for it and
  // everything it starts. kDone when it ran, whatever its exit code.
  int Start(const wchar_t* what, const std::wstring& command_line,
            std::optional<int> window_style, const ResultCheck& result_present) {
    log_.WriteLine(std::wstring(L"Starting the ") + what + L": " + command_line + L" (as " +
                   m_.AccountName() + L").");
    const std::uint64_t began = m_.SteadyMilliseconds();
    const RunResult result = RunAndWait(m_, command_line, window_style, result_present,
                                        ElevationPrompt::Never, time_limit_seconds_);
    const std::uint64_t took = m_.SteadyMilliseconds() - began;
    LogTemporaryFolder(m_, log_, what, result);
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
    package_code_ = result.code;
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
  // The exit code of the setup or uninstaller that ran last.
  std::int32_t package_code_ = 0;
  // The exit code of the uninstaller a renewal ran before the setup.
  std::int32_t uninstaller_code_ = 0;
};

int Dispatch(UnattendedRun& run, const UnattendedRequest& request) {
  switch (request.action) {
    case UnattendedAction::Install:
      return run.Install(request.set_default, request.update);
    case UnattendedAction::Uninstall:
      return run.Uninstall();
    case UnattendedAction::Status:
      return run.Status(request.update);
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
