// Starting programs, watching their processes, and waiting while the
// thread's windows stay answered.
#include "win32/machine/machine.h"

#include <shellapi.h>

#include <utility>
#include <vector>

#include "win32/machine/messages.h"
#include "win32/machine/started_process.h"
#include "win32/machine/wait.h"
#include "win32_common/child_environment.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/system_library.h"
#include "win32_common/temporary_folder.h"

namespace tarnwell {
namespace {

ProcessStart Started(HANDLE process, std::shared_ptr<ProcessJob> job, HeldPath held = {},
                     ChildTemporaryFolder temporary = {}) {
  ProcessStart start;
  start.temporary_folder = temporary.path();
  start.temporary_folder_made = temporary.made();
  start.process =
      MakeStartedProcess(process, std::move(job), std::move(held), std::move(temporary));
  return start;
}

ProcessStart NotStarted(DWORD error) {
  ProcessStart start;
  start.error = error;
  return start;
}

// Whether the image `process` was started from is the file `held` is open
// on: the same volume and file ID, read through an open of the path the
// process reports. CreateProcessW opens the program by name, so between the
// check and the start a link above could in theory have led elsewhere.
bool StartedFromHeldFile(HANDLE process, HANDLE held) {
  std::vector<wchar_t> image(32768);
  DWORD length = static_cast<DWORD>(image.size());
  if (!QueryFullProcessImageNameW(process, 0, image.data(), &length)) return false;
  const BoundedOpen opened = CreateFileBefore(
      Deadline::In(kPathCheckMs), std::wstring(image.data(), length), FILE_READ_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING, 0);
  BY_HANDLE_FILE_INFORMATION started{}, checked{};
  return opened.file && GetFileInformationByHandle(opened.file.get(), &started) &&
         GetFileInformationByHandle(held, &checked) &&
         started.dwVolumeSerialNumber == checked.dwVolumeSerialNumber &&
         started.nFileIndexHigh == checked.nFileIndexHigh &&
         started.nFileIndexLow == checked.nFileIndexLow;
}

// Puts the process into `job`; the job is kept only when that worked.
std::shared_ptr<ProcessJob> JoinJob(HANDLE process, std::shared_ptr<ProcessJob> job) {
  return process && job && job->Assign(process) ? job : nullptr;
}

}  // namespace

// The program is named apart from the command line, so the platform starts
// that file and looks for nothing. It runs in the system folder, with the
// PATH folders another account could change left out of its environment
// (win32_common/child_environment.h says why).
//
// What HoldProgramPath holds goes with the started process and is let go
// when the wait on it ends, not once the image is mapped: the loader reads
// the DLLs beside the program after the start, and a delay-loaded one at any
// time later. While they are held nobody can change them, nor set an oplock
// on them that would hold up those loads. Only the tree of a program that
// removes it itself (an uninstaller) goes back before the program runs.
//
// A privileged start (one HoldProgramPath checked with rights others lack)
// also gets a temporary folder only the trusted accounts may use
// (win32_common/temporary_folder.h); without one it does not start.
ProcessStart Win32Machine::StartProcess(const std::wstring& program,
                                        const std::wstring& command_line, int show_state) {
  HeldPath held = std::move(held_program_);
  held_program_.Release();
  const bool privileged = std::exchange(privileged_start_, false);
  std::vector<wchar_t> writable(command_line.begin(), command_line.end());
  writable.push_back(L'\0');
  ChildEnvironment child = SafeChildEnvironment(Deadline::In(kPathCheckMs));
  if (child.folder.empty()) return NotStarted(ERROR_PATH_NOT_FOUND);
  ChildTemporaryFolder temporary;
  if (privileged) {
    if (temporary.Prepare(Deadline::In(kPathCheckMs))) return NotStarted(ERROR_CANNOT_MAKE);
    SetTemporaryFolder(child.block, temporary.path());
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show_state);
  PROCESS_INFORMATION info{};
  // Started suspended, so that it is in the job before it can start anything.
  if (!CreateProcessW(program.c_str(), writable.data(), nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT, child.block.data(),
                      child.folder.c_str(), &startup, &info)) {
    return NotStarted(GetLastError());
  }
  const UniqueHandle thread(info.hThread);
  // A privileged start runs only the file that was checked and is held.
  if (HANDLE checked = held.Program(program)) {
    if (!StartedFromHeldFile(info.hProcess, checked)) {
      TerminateProcess(info.hProcess, ERROR_FILE_INVALID);
      CloseHandle(info.hProcess);
      return NotStarted(ERROR_FILE_INVALID);
    }
  }
  std::shared_ptr<ProcessJob> job = JoinJob(info.hProcess, JobForStart());
  // An uninstaller removes its own folder: that much goes back now.
  held.LetGoAtStart();
  ResumeThread(info.hThread);
  return Started(info.hProcess, std::move(job), std::move(held), std::move(temporary));
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
  // With one, it joins the job at once; a child it started before that is
  // outside the job and not waited for.
  std::shared_ptr<ProcessJob> job = JoinJob(execute.hProcess, JobForStart());
  return Started(execute.hProcess, std::move(job));
}

void Win32Machine::ProcessPendingMessages() { DispatchPendingMessages(); }

// Waits on the thread's input rather than sleeping, so a message arriving
// during the pause is handled at once; the pause still lasts its full length.
void Win32Machine::PauseServicingMessages(unsigned milliseconds) {
  WaitServicingMessages({}, milliseconds);
}

}  // namespace tarnwell
