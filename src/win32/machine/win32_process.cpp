// Starting programs, watching their processes, and waiting while the
// thread's windows stay answered.
#include "win32/machine/win32_machine.h"

#include <shellapi.h>

#include <chrono>
#include <vector>

#include "win32/machine/win32_messages.h"

namespace tarnwell {
namespace {

HANDLE AsHandle(ProcessHandle process) { return reinterpret_cast<HANDLE>(process); }

ProcessStart Started(HANDLE process) {
  return {true, 0, reinterpret_cast<ProcessHandle>(process)};
}

ProcessStart NotStarted(DWORD error) { return {false, error, 0}; }

bool QuitIsPending() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

}  // namespace

// The command line goes to the platform whole, with no program named apart
// from it, so an unquoted program path holding blanks is resolved the way
// the platform's own command-line start resolves it.
ProcessStart Win32Machine::StartProcess(const std::wstring& command_line, int show_state) {
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_state);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return NotStarted(GetLastError());
  }
  CloseHandle(info.hThread);
  return Started(info.hProcess);
}

// The shell shows the elevation prompt; a refused prompt is a start that
// failed with ERROR_CANCELLED.
ProcessStart Win32Machine::StartElevated(const std::wstring& program,
                                         const std::wstring& arguments, int show_state) {
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof(execute);
  execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  execute.lpVerb = L"runas";
  execute.lpFile = program.c_str();
  execute.lpParameters = arguments.empty() ? nullptr : arguments.c_str();
  execute.nShow = show_state;
  if (!ShellExecuteExW(&execute)) return NotStarted(GetLastError());
  // Without a process handle (the shell handed the start on) nothing can be
  // waited for: the wait then reads no exit code and ends after one cycle.
  return Started(execute.hProcess);
}

bool Win32Machine::ProcessEnded(ProcessHandle process) {
  return WaitForSingleObject(AsHandle(process), 0) == WAIT_OBJECT_0;
}

bool Win32Machine::ProcessExitCode(ProcessHandle process, std::uint32_t* code) {
  DWORD exit_code = 0;
  const BOOL ok = GetExitCodeProcess(AsHandle(process), &exit_code);
  *code = ok ? exit_code : 0;
  return ok != FALSE;
}

void Win32Machine::CloseProcess(ProcessHandle process) {
  if (process) CloseHandle(AsHandle(process));
}

void Win32Machine::ProcessPendingMessages() { DispatchPendingMessages(); }

// Waits on the thread's input rather than sleeping, so a message arriving
// during the pause is handled at once; the pause still lasts its full length.
void Win32Machine::PauseServicingMessages(unsigned milliseconds) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  while (true) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return;
    const DWORD timeout = static_cast<DWORD>(left.count());
    const DWORD woke =
        MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke == WAIT_OBJECT_0 && !QuitIsPending()) {
      DispatchPendingMessages();
    } else if (woke != WAIT_TIMEOUT) {
      // The program is ending (a quit stays queued and would wake every
      // wait) or the wait itself failed: let the rest of the pause pass.
      Sleep(timeout);
    }
  }
}

}  // namespace tarnwell
