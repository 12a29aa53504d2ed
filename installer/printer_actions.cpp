// The Windows Installer package's own steps: run the installed program with
// /install after the files are in place, and with /uninstall before they go;
// each behind a rollback step that undoes it when the transaction fails
// later. They run deferred and without impersonation, so as LocalSystem, and
// write what happened into the installation's log.
//
// Each deferred step reads its CustomActionData, set by the package to
// "<program path>|<log file path>|<time limit in seconds>|<restart nonce>"
// ('|' cannot be part of a path; the nonce names this run's restart request).
// The install step's data also says, before the nonce, whether to update
// the printer package, whether the product was installed before this run
// and whether the printer was there (core/installer/printer_step.h).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <winspool.h>

#include <optional>
#include <string>
#include <vector>

#include "core/texts/text.h"
#include "core/installer/printer_step.h"
#include "core/printer/package.h"
#include "core/port/run_error.h"
#include "core/printer/printer_search.h"
#include "core/unattended/exit_codes.h"
#include "core/unattended/in_use_count.h"
#include "held_file.h"
#include "log_folder.h"
#include "msi_session.h"
#include "restart_request.h"
#include "win32_common/bounded_open.h"
#include "win32_common/child_environment.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/system_library.h"
#include "win32_common/temporary_folder.h"
#include "win32_common/trusted_path.h"
#include "win32_common/win32_error.h"

namespace {

using tarnwell::Quoted;

// What every step reads of its session and writes to the installation's log.
std::wstring Property(MSIHANDLE install, const wchar_t* name) {
  return tarnwell::MsiProperty(install, name);
}
void Log(MSIHANDLE install, const std::wstring& text) { tarnwell::LogToMsi(install, text); }

// A started program's exit code, or why it did not run.
struct Outcome {
  bool ran = false;
  DWORD exit_code = 0;
  std::wstring failure;
};

// Starts `program` by its full path, in `child`'s folder and environment, and waits for it until `end`. The program keeps its own time
// limit; this wait ends a program that overruns it by far. The caller holds
// the checked path until the wait has ended, DLLs loaded late included.
Outcome Run(const std::wstring& program, const std::wstring& command_line,
            const tarnwell::Deadline& end, tarnwell::ChildEnvironment& child) {
  if (child.folder.empty()) return {false, 0, L"the system folder could not be found."};
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE,
                      CREATE_UNICODE_ENVIRONMENT, child.block.data(), child.folder.c_str(),
                      &startup, &info)) {
    return {false, 0, tarnwell::DescribeWin32Error(GetLastError())};
  }
  const tarnwell::UniqueHandle process(info.hProcess);
  const tarnwell::UniqueHandle thread(info.hThread);
  const DWORD wait = WaitForSingleObject(process.get(), end.Remaining());
  if (wait == WAIT_TIMEOUT) {
    TerminateProcess(process.get(), ERROR_INSTALL_FAILURE);
    return {false, 0, L"it was still running " +
                          std::to_wstring(tarnwell::kPrinterStepGraceSeconds) +
                          L" s after its time limit, and was ended."};
  }
  DWORD exit_code = 0;
  if (wait != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &exit_code)) {
    return {false, 0, tarnwell::DescribeWin32Error(GetLastError())};
  }
  return {true, exit_code, {}};
}

// Whether the Print Spooler service is set to disabled: then no printer can
// be installed until an administrator lets it start. A service that cannot
// be asked counts as not disabled.
bool SpoolerDisabled() {
  using ServiceHandle = tarnwell::unique_handle<SC_HANDLE, CloseServiceHandle>;
  const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return false;
  const ServiceHandle service(OpenServiceW(manager.get(), L"Spooler", SERVICE_QUERY_CONFIG));
  if (!service) return false;
  DWORD needed = 0;
  QueryServiceConfigW(service.get(), nullptr, 0, &needed);
  if (needed < sizeof(QUERY_SERVICE_CONFIGW)) return false;
  std::vector<BYTE> buffer(needed);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  return QueryServiceConfigW(service.get(), config, needed, &needed) &&
         config->dwStartType == SERVICE_DISABLED;
}

// After a failed install step: on a PC whose printer cannot be there, an
// upgrade or a repair that found no printer goes on without it, with a
// warning in the installation's log, so that the product's own files are
// not held back. True when the step is skipped.
bool SkipWherePrinterCannotBe(MSIHANDLE install, const std::wstring& name,
                              const tarnwell::PrinterStepData& step, DWORD code,
                              const std::wstring& log_file) {
  const tarnwell::PrinterBarrier barrier =
      tarnwell::FindPrinterBarrier(static_cast<int>(code), SpoolerDisabled());
  const bool spooler = barrier == tarnwell::PrinterBarrier::kSpoolerDisabled;
  if (!tarnwell::SkipsFailedPrinterStep(step, barrier)) {
    if (spooler) {
      Log(install, name + L": the Print Spooler service is disabled, so no printer can be "
                          L"installed on this PC until it runs.");
    }
    return false;
  }
  const std::wstring why =
      spooler ? L"the program ended with exit code " + std::to_wstring(code) +
                    L" and the Print Spooler service is disabled, so no printer can be "
                    L"installed on this PC"
              : L"the program ended with exit code 1625: Windows protected print mode is on, "
                L"so the PDF printer " + Quoted(tarnwell::package::kName) +
                    L" cannot be installed on this PC";
  Log(install, name + L": warning: the printer step is skipped: " + why +
                   L". The product was installed before this run (an upgrade or a repair) "
                   L"and the printer was not there, so the installation goes on without it. "
                   L"Once " +
                   (spooler ? L"the Print Spooler service runs" : L"the mode is off") +
                   L", a repair of this package or the program's /install installs the "
                   L"printer. See " + Quoted(log_file) + L".");
  return true;
}

enum class StepResult {
  kDone,     // ended with 0, 3010 or 1641 (the last two ask for a restart at the end),
             // or skipped where the caller lets the printer be missing
  kFailed,   // could not be run, or ended with another code
  kRefused,  // nothing was run: its paths are not safe to run from
  kHeldForGood,  // nothing was run: a file of it was in use the last times in a row
};

// Runs the program with `command_switch` once its paths are found safe.
// Every outcome, and where the program's own log is, goes into the
// installation's log. How the step is run: an install step may be skipped
// where the printer cannot be (SkipWherePrinterCannotBe); a rollback step's
// "in use" answer is not counted, as it follows the one of the step it undoes.
enum class StepKind { kPlain, kInstall, kRollback };
StepResult RunProgram(MSIHANDLE install, const wchar_t* command_switch,
                      StepKind kind = StepKind::kPlain) {
  std::wstring data = Property(install, L"CustomActionData");
  const std::wstring restart_nonce = tarnwell::TakeRestartNonce(data);
  const std::optional<tarnwell::PrinterStepData> command = tarnwell::ReadPrinterStepData(data);
  if (command && command->update) command_switch = L"/install /update";
  const std::wstring name = std::wstring(L"Tarnwell PDF Printer Software ") + command_switch;
  if (!command) {
    Log(install, name + L": no program and log file were handed to this step.");
    return StepResult::kFailed;
  }
  // Every open before the run ends within the time limit, and the whole
  // step within the limit and the grace: a file another account holds up
  // cannot keep Windows Installer busy longer.
  const auto limit_ms = command->time_limit_seconds * 1000;
  const tarnwell::Deadline opens_end = tarnwell::Deadline::In(limit_ms);
  const tarnwell::Deadline step_end =
      tarnwell::Deadline::In(limit_ms + tarnwell::kPrinterStepGraceSeconds * 1000);
  // The path checks have a bound of their own, a few seconds.
  tarnwell::HeldPath held;
  if (const auto unsafe = tarnwell::HoldIfOnlyTrustedMayChange(
          command->program, tarnwell::ProgramTree::kKeptAsIs,
          tarnwell::Deadline::In(tarnwell::kPathCheckMs), held)) {
    Log(install, name + L": nothing was run, because " + unsafe->why +
                     (unsafe->in_use
                          ? std::wstring(L".")
                          : L". Programs run by this step run as LocalSystem; install to a "
                            L"folder only SYSTEM, the Administrators and TrustedInstaller can "
                            L"change, such as the Program Files folder."));
    if (unsafe->in_use && kind != StepKind::kRollback && tarnwell::CountHeldFile(unsafe->file)) {
      return StepResult::kHeldForGood;
    }
    return StepResult::kRefused;
  }
  tarnwell::ForgetHeldFile();
  // A log folder that cannot be used costs the program's log, not the step.
  tarnwell::StepLog program_log = tarnwell::PrepareStepLog(command->log_file, opens_end);
  for (const std::wstring& note : program_log.notes) Log(install, name + L": " + note);
  if (!program_log.file) Log(install, name + L": the program runs without its own log.");
  const std::wstring log_file = program_log.file.value_or(L"(none)");
  const std::wstring command_line = tarnwell::PrinterStepCommandLine(
      command->program, command_switch, program_log.file, command->time_limit_seconds);
  Log(install, name + L": running " + command_line + L"; the program's own log is " +
                   Quoted(log_file) + L".");
  tarnwell::ChildEnvironment child =
      tarnwell::SafeChildEnvironment(tarnwell::Deadline::In(tarnwell::kPathCheckMs));
  for (const std::wstring& why : child.left_out) {
    Log(install, name + L": left out of the program's PATH: " + why + L".");
  }
  // As SYSTEM, never the Temp folder every user may write to.
  tarnwell::ChildTemporaryFolder temporary;
  if (const auto why = temporary.Prepare(tarnwell::Deadline::In(tarnwell::kPathCheckMs))) {
    Log(install, name + L": the program could not be run: no temporary folder: " + *why + L".");
    return StepResult::kFailed;
  }
  tarnwell::SetTemporaryFolder(child.block, temporary.path());
  Log(install, name + L": its temporary folder (TEMP and TMP) is " + Quoted(temporary.path()) +
                   (temporary.made() ? L", made for it; only SYSTEM and the Administrators may "
                                       L"use it."
                                     : L"."));
  const Outcome outcome = Run(command->program, command_line, step_end, child);
  if (const auto left = temporary.Remove()) Log(install, name + L": " + *left + L".");
  if (!outcome.ran) {
    Log(install, name + L": the program could not be run: " + outcome.failure);
    return StepResult::kFailed;
  }
  const DWORD code = outcome.exit_code;
  if (code == tarnwell::exit_code::kRestartRequired ||
      code == tarnwell::exit_code::kRestartStarted) {
    tarnwell::RecordRestartRequest(install, restart_nonce);
    Log(install, name + L": the program ended with exit code " + std::to_wstring(code) +
                     L": the printer package needs a restart to finish; Windows Installer "
                     L"asks for one at the end. See " + Quoted(log_file) + L".");
    return StepResult::kDone;
  }
  if (code != 0 && kind == StepKind::kInstall &&
      SkipWherePrinterCannotBe(install, name, *command, code, log_file)) {
    return StepResult::kDone;
  }
  if (code == tarnwell::exit_code::kProtectedPrint) {
    // The same answer the program gives: said in the log and shown, so
    // that whoever reads either knows this PC cannot take the printer.
    const std::wstring why =
        L"Windows protected print mode is on: it allows only Windows' own printer drivers, so "
        L"the PDF printer " + Quoted(tarnwell::package::kName) +
        L" cannot be installed on this PC, and nothing was installed. Turn the mode off, install "
        L"this package with INSTALLPRINTER=0, or leave this PC out. See " + Quoted(log_file) +
        L".";
    Log(install, name + L": the program ended with exit code 1625: " + why);
    tarnwell::ShowMsiError(install, why);
    return StepResult::kFailed;
  }
  Log(install, name + L": the program ended with exit code " + std::to_wstring(code) +
                   (code == 0 ? L"." : L" (failed); see " + Quoted(log_file) + L"."));
  return code == 0 ? StepResult::kDone : StepResult::kFailed;
}

// Whether the printer is among this machine's printers.
bool PrinterPresent() {
  try {
    static const auto enum_printers =
        tarnwell::SystemFunction<decltype(&EnumPrintersW)>(L"winspool.drv", "EnumPrintersW");
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    enum_printers(flags, nullptr, 4, nullptr, 0, &needed, &count);
    if (needed == 0) return false;
    std::vector<BYTE> buffer(needed);
    if (!enum_printers(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) return false;
    const auto* printers = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    // The name /install looks for, compared as /install compares it.
    const std::wstring wanted(tarnwell::package::kName);
    for (DWORD i = 0; i < count; ++i) {
      if (!printers[i].pPrinterName) continue;
      const std::wstring device(printers[i].pPrinterName);
      if (tarnwell::IsPrinterNamed(device, wanted)) return true;
    }
  } catch (const std::exception&) {
  }
  return false;
}

}  // namespace

// Before the transaction: notes whether the printer is there already, so
// that the rollback steps undo only what this run changes.
extern "C" UINT WINAPI CheckPrinter(MSIHANDLE install) {
  const bool present = PrinterPresent();
  MsiSetPropertyW(install, L"PRINTERWASPRESENT", present ? L"1" : L"");
  Log(install, std::wstring(L"The printer ") + Quoted(tarnwell::package::kName) +
                   (present ? L" is installed before this run." : L" is not installed before this run."));
  return ERROR_SUCCESS;
}

// A printer that cannot be installed fails the installation, which Windows
// Installer then rolls back. That includes a PC where Windows protected
// print mode is on: the package was asked for the printer (INSTALLPRINTER
// is 1), and a package reported installed without it would be detected by
// its ProductCode as done while the printer never comes; failed and rolled
// back, the PC is as it was and the reason is in the log and on screen. An
// upgrade or a repair where the printer was not there and cannot be (the
// mode on, or the Print Spooler service disabled) is the exception: it
// updates the files and skips the printer with a warning.
extern "C" UINT WINAPI InstallPrinter(MSIHANDLE install) {
  return RunProgram(install, L"/install", StepKind::kInstall) == StepResult::kDone
             ? ERROR_SUCCESS
             : ERROR_INSTALL_FAILURE;
}

// Another account may hold a file of the program or the printer package
// open for good: past the bound of answers in a row the removal goes on
// without the printer, whose package stays registered, so that its own
// uninstall command still removes it. False when no file was held so long.
bool LogHeldForGood(MSIHANDLE install) {
  const std::optional<std::wstring> file = tarnwell::FileHeldForGood();
  if (!file) return false;
  Log(install, L"Tarnwell PDF Printer Software /uninstall: " + Quoted(*file) + L" was in use the "
               L"last " + std::to_wstring(tarnwell::kInUseBound) + L" times in a row, so the "
               L"printer is not removed; the removal goes on, and the printer package stays "
               L"registered: its own uninstall command removes it.");
  return true;
}

// A printer that cannot be removed is noted in the log and the package goes
// all the same, or it could never be removed. Paths that are not safe to run
// from fail the removal; REMOVEPRINTER=0 removes the package without the step.
extern "C" UINT WINAPI RemovePrinter(MSIHANDLE install) {
  switch (RunProgram(install, L"/uninstall")) {
    case StepResult::kDone:
      break;
    case StepResult::kFailed:
      if (LogHeldForGood(install)) break;
      Log(install, L"Tarnwell PDF Printer Software /uninstall failed; the removal goes on.");
      break;
    case StepResult::kHeldForGood:
      LogHeldForGood(install);
      break;
    case StepResult::kRefused:
      Log(install, L"The removal stops. Remove the package with REMOVEPRINTER=0 to leave the "
                   L"printer alone.");
      return ERROR_INSTALL_FAILURE;
  }
  return ERROR_SUCCESS;
}

// Scheduled only when the printer was not there before this run: the failed
// transaction takes the printer away again.
extern "C" UINT WINAPI RollbackInstallPrinter(MSIHANDLE install) {
  Log(install, L"Rolling back: removing the printer this installation put there.");
  RunProgram(install, L"/uninstall", StepKind::kRollback);
  return ERROR_SUCCESS;
}

// Scheduled only when the printer was there before this run: the failed
// removal puts it back.
extern "C" UINT WINAPI RollbackRemovePrinter(MSIHANDLE install) {
  Log(install, L"Rolling back: installing the printer this removal took away.");
  RunProgram(install, L"/install", StepKind::kRollback);
  return ERROR_SUCCESS;
}
