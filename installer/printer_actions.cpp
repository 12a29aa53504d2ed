// The Windows Installer package's own steps: run the installed program with
// /install after the files are in place, and with /uninstall before they go;
// each behind a rollback step that undoes it when the transaction fails
// later. They run deferred and without impersonation, so as LocalSystem, and
// write what happened into the installation's log.
//
// Each deferred step reads its CustomActionData, set by the package to
// "<program path>|<log file path>|<time limit in seconds>" ('|' cannot be
// part of a path).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <winspool.h>

#include <optional>
#include <string>
#include <vector>

#include "path_safety.h"
#include "restart_request.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/system_library.h"
#include "win32_common/win32_error.h"

namespace {

using UniqueMsiHandle = tarnwell::unique_handle<MSIHANDLE, MsiCloseHandle>;

constexpr wchar_t kPrinterName[] = L"Quellmark PDF Setup";
constexpr wchar_t kPackageFolderName[] = L"Quellmark PDF Setup";
constexpr unsigned kDefaultTimeLimit = 1800;
constexpr unsigned kLongestTimeLimit = 604800;
// How long past its own limit the program may take to end what it started
// and write its log, before this step stops waiting for it.
constexpr unsigned kGraceSeconds = 120;
constexpr DWORD kRestartRequired = 3010;
constexpr DWORD kRestartStarted = 1641;

struct Command {
  std::wstring program;
  std::wstring log_file;
  unsigned time_limit = kDefaultTimeLimit;
};

std::wstring Property(MSIHANDLE install, const wchar_t* name) {
  DWORD size = 0;
  wchar_t empty[1] = L"";
  if (MsiGetPropertyW(install, name, empty, &size) != ERROR_MORE_DATA) return {};
  std::vector<wchar_t> value(++size);
  if (MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) return {};
  return std::wstring(value.data(), size);
}

// A line in the installation's log.
void Log(MSIHANDLE install, const std::wstring& text) {
  const UniqueMsiHandle record(MsiCreateRecord(1));
  if (!record) return;
  // The text goes in as a field, not as the template, so brackets in a path
  // are not taken for properties.
  MsiRecordSetStringW(record.get(), 0, L"[1]");
  MsiRecordSetStringW(record.get(), 1, text.c_str());
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record.get());
}

bool IsFullPath(const std::wstring& path) {
  return path.size() > 3 && path[1] == L':' && path[2] == L'\\';
}

// PRINTERTIMEOUT as given; anything but a number of seconds the program
// accepts means the default.
unsigned TimeLimit(const std::wstring& text) {
  if (text.empty() || text.size() > 6 || text.find_first_not_of(L"0123456789") != std::wstring::npos) {
    return kDefaultTimeLimit;
  }
  const unsigned seconds = std::stoul(text);
  return seconds >= 1 && seconds <= kLongestTimeLimit ? seconds : kDefaultTimeLimit;
}

std::optional<Command> ReadCommand(MSIHANDLE install) {
  const std::wstring data = Property(install, L"CustomActionData");
  const std::size_t first = data.find(L'|');
  if (first == std::wstring::npos) return std::nullopt;
  const std::size_t second = data.find(L'|', first + 1);
  Command command{data.substr(0, first),
                  data.substr(first + 1, second == std::wstring::npos ? std::wstring::npos
                                                                      : second - first - 1)};
  if (second != std::wstring::npos) command.time_limit = TimeLimit(data.substr(second + 1));
  if (!IsFullPath(command.program) || !IsFullPath(command.log_file)) return std::nullopt;
  return command;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

// A started program's exit code, or why it did not run.
struct Outcome {
  bool ran = false;
  DWORD exit_code = 0;
  std::wstring failure;
};

// Starts `program` by its full path, in the system folder, and waits for it.
// The program keeps its own time limit; this wait ends a program that
// overruns it by far.
Outcome Run(const std::wstring& program, const std::wstring& command_line, unsigned time_limit) {
  wchar_t system_folder[MAX_PATH] = {};
  if (!GetSystemDirectoryW(system_folder, MAX_PATH)) {
    return {false, 0, tarnwell::DescribeWin32Error(GetLastError())};
  }
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      system_folder, &startup, &info)) {
    return {false, 0, tarnwell::DescribeWin32Error(GetLastError())};
  }
  const tarnwell::UniqueHandle process(info.hProcess);
  const tarnwell::UniqueHandle thread(info.hThread);
  const DWORD wait = WaitForSingleObject(process.get(), (time_limit + kGraceSeconds) * 1000);
  if (wait == WAIT_TIMEOUT) {
    TerminateProcess(process.get(), ERROR_INSTALL_FAILURE);
    return {false, 0, L"it was still running " + std::to_wstring(kGraceSeconds) +
                          L" s after its time limit, and was ended."};
  }
  DWORD exit_code = 0;
  if (wait != WAIT_OBJECT_0 || !GetExitCodeProcess(process.get(), &exit_code)) {
    return {false, 0, tarnwell::DescribeWin32Error(GetLastError())};
  }
  return {true, exit_code, {}};
}

enum class StepResult {
  kDone,     // ended with 0, 3010 or 1641 (the last two ask for a restart at the end)
  kFailed,   // could not be run, or ended with another code
  kRefused,  // nothing was run: its paths are not safe to run from
};

// Runs the program with `command_switch` once its paths are found safe.
// Every outcome, and where the program's own log is, goes into the
// installation's log.
StepResult RunProgram(MSIHANDLE install, const wchar_t* command_switch) {
  const std::optional<Command> command = ReadCommand(install);
  const std::wstring name = std::wstring(L"Tarnwell PDF Printer Software ") + command_switch;
  if (!command) {
    Log(install, name + L": no program and log file were handed to this step.");
    return StepResult::kFailed;
  }
  const std::wstring package_folder = Folder(command->program) + L"\\" + kPackageFolderName;
  const std::wstring unsafe = tarnwell::UnsafeProgramPath(command->program, package_folder);
  if (!unsafe.empty()) {
    Log(install, name + L": nothing was run, because " + unsafe +
                     L" Programs run by this step run as LocalSystem; install to a folder "
                     L"only administrators can change, such as the Program Files folder.");
    return StepResult::kRefused;
  }
  const std::wstring log_folder_problem = tarnwell::SecureLogFolder(command->log_file);
  if (!log_folder_problem.empty()) {
    Log(install, name + L": nothing was run, because the log folder could not be prepared: " +
                     log_folder_problem);
    return StepResult::kRefused;
  }
  const std::wstring command_line = Quoted(command->program) + L" " + command_switch +
                                    L" /log " + Quoted(command->log_file) + L" /timeout " +
                                    std::to_wstring(command->time_limit);
  Log(install, name + L": running " + command_line + L"; the program's own log is " +
                   Quoted(command->log_file) + L".");
  const Outcome outcome = Run(command->program, command_line, command->time_limit);
  if (!outcome.ran) {
    Log(install, name + L": the program could not be run: " + outcome.failure);
    return StepResult::kFailed;
  }
  const DWORD code = outcome.exit_code;
  if (code == kRestartRequired || code == kRestartStarted) {
    tarnwell::RecordRestartRequest(install);
    Log(install, name + L": the program ended with exit code " + std::to_wstring(code) +
                     L": the printer package needs a restart to finish; Windows Installer "
                     L"asks for one at the end. See " + Quoted(command->log_file) + L".");
    return StepResult::kDone;
  }
  Log(install, name + L": the program ended with exit code " + std::to_wstring(code) +
                   (code == 0 ? L"." : L" (failed); see " + Quoted(command->log_file) + L"."));
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
    for (DWORD i = 0; i < count; ++i) {
      if (printers[i].pPrinterName && lstrcmpiW(printers[i].pPrinterName, kPrinterName) == 0) {
        return true;
      }
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
  Log(install, std::wstring(L"The printer ") + Quoted(kPrinterName) +
                   (present ? L" is installed before this run." : L" is not installed before this run."));
  return ERROR_SUCCESS;
}

// A printer that cannot be installed fails the installation, which Windows
// Installer then rolls back.
extern "C" UINT WINAPI InstallPrinter(MSIHANDLE install) {
  return RunProgram(install, L"/install") == StepResult::kDone ? ERROR_SUCCESS
                                                              : ERROR_INSTALL_FAILURE;
}

// A printer that cannot be removed is noted in the log and the package goes
// all the same, or it could never be removed. Paths that are not safe to run
// from fail the removal; REMOVEPRINTER=0 removes the package without the step.
extern "C" UINT WINAPI RemovePrinter(MSIHANDLE install) {
  switch (RunProgram(install, L"/uninstall")) {
    case StepResult::kDone:
      break;
    case StepResult::kFailed:
      Log(install, L"Tarnwell PDF Printer Software /uninstall failed; the removal goes on.");
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
  RunProgram(install, L"/uninstall");
  return ERROR_SUCCESS;
}

// Scheduled only when the printer was there before this run: the failed
// removal puts it back.
extern "C" UINT WINAPI RollbackRemovePrinter(MSIHANDLE install) {
  Log(install, L"Rolling back: installing the printer this removal took away.");
  RunProgram(install, L"/install");
  return ERROR_SUCCESS;
}
