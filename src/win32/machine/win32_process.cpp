// Starting programs, watching their processes, and waiting while the
// thread's windows stay answered.
#include "win32/machine/win32_machine.h"

#include <shellapi.h>

#include <chrono>
#include <vector>

#include "win32/machine/win32_messages.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/system_library.h"

namespace tarnwell {
namespace {

// A started process, owning its handle. Without a handle (the shell handed
// an elevated start on) there is nothing to watch: it counts as ended and
// its exit code cannot be read.
class Win32Process : public StartedProcess {
 public:
  explicit Win32Process(HANDLE process) : process_(process) {}

  bool HasEnded() override {
    return !process_ || WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
  }

  std::optional<std::uint32_t> ExitCode() override {
    DWORD code = 0;
    if (!process_ || !GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return code;
  }

 private:
  UniqueHandle process_;
};

ProcessStart Started(HANDLE process) { return {std::make_unique<Win32Process>(process), 0}; }

ProcessStart NotStarted(DWORD error) { return {nullptr, error}; }

bool QuitIsPending() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

}  // namespace

// The program is named apart from the command line, so the platform starts
// that file and looks for nothing.
ProcessStart Win32Machine::StartProcess(const std::wstring& program,
                                        const std::wstring& command_line, int show_state) {
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_state);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &info)) {
    return NotStarted(GetLastError());
  }
  const UniqueHandle thread(info.hThread);
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
  try {
    static const auto shell_execute =
        SystemFunction<decltype(&ShellExecuteExW)>(L"shell32.dll", "ShellExecuteExW");
    if (!shell_execute(&execute)) return NotStarted(GetLastError());
  } catch (const RunError&) {
    return NotStarted(ERROR_MOD_NOT_FOUND);
  }
  // Without a process handle (the shell handed the start on) nothing can be
  // waited for: the wait then reads no exit code and ends after one cycle.
  return Started(execute.hProcess);
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
