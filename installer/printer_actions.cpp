// The Windows Installer package's own steps: run the installed program with
// /install after the files are in place, and with /uninstall before they go.
// Both run deferred and without impersonation, so as the installer's service
// account, and write what happened into the installation's log.
//
// Each action reads its CustomActionData, set by the package to
// "<program path>|<log file path>" ('|' cannot be part of a path).
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include <optional>
#include <string>
#include <vector>

#include "win32_common/scoped_handle.h"
#include "win32_common/win32_error.h"

namespace {

using UniqueMsiHandle = tarnwell::unique_handle<MSIHANDLE, MsiCloseHandle>;

struct Command {
  std::wstring program;
  std::wstring log_file;
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

std::optional<Command> ReadCommand(MSIHANDLE install) {
  const std::wstring data = Property(install, L"CustomActionData");
  const std::size_t bar = data.find(L'|');
  if (bar == std::wstring::npos) return std::nullopt;
  Command command{data.substr(0, bar), data.substr(bar + 1)};
  if (!IsFullPath(command.program) || !IsFullPath(command.log_file)) return std::nullopt;
  return command;
}

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// A started program's exit code, or why it did not run.
struct Outcome {
  bool ran = false;
  DWORD exit_code = 0;
  std::wstring failure;
};

// Starts `program` by its full path, in the system folder, and waits for it
// without a time limit, as Windows Installer waits for its own program steps.
Outcome Run(const std::wstring& program, const std::wstring& command_line) {
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
  DWORD exit_code = 0;
  if (WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.get(), &exit_code)) {
    return {false, 0, tarnwell::DescribeWin32Error(GetLastError())};
  }
  return {true, exit_code, {}};
}

// Runs the program with `command_switch`; true when it ended with 0. Every
// outcome, and where the program's own log is, goes into the installation's log.
bool RunProgram(MSIHANDLE install, const wchar_t* command_switch) {
  const std::optional<Command> command = ReadCommand(install);
  const std::wstring name = std::wstring(L"Tarnwell PDF Printer Software ") + command_switch;
  if (!command) {
    Log(install, name + L": no program and log file were handed to this step.");
    return false;
  }
  const std::wstring command_line = Quoted(command->program) + L" " + command_switch +
                                    L" /log " + Quoted(command->log_file);
  Log(install, name + L": running " + command_line + L"; the program's own log is " +
                   Quoted(command->log_file) + L".");
  const Outcome outcome = Run(command->program, command_line);
  if (!outcome.ran) {
    Log(install, name + L": the program could not be run: " + outcome.failure);
    return false;
  }
  Log(install, name + L": the program ended with exit code " +
                   std::to_wstring(outcome.exit_code) +
                   (outcome.exit_code == 0 ? L"." : L" (failed); see " +
                                                        Quoted(command->log_file) + L"."));
  return outcome.exit_code == 0;
}

}  // namespace

// A printer that cannot be installed fails the installation, which Windows
// Installer then rolls back.
extern "C" UINT WINAPI InstallPrinter(MSIHANDLE install) {
  return RunProgram(install, L"/install") ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

// A printer that cannot be removed is noted in the log; the package goes
// all the same, or it could never be removed.
extern "C" UINT WINAPI RemovePrinter(MSIHANDLE install) {
  if (!RunProgram(install, L"/uninstall")) {
    Log(install, L"Tarnwell PDF Printer Software /uninstall failed; the removal goes on.");
  }
  return ERROR_SUCCESS;
}
