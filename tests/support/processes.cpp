#include "processes.h"

namespace support {

Started StartInFolder(const std::wstring& program, const std::wstring& folder) {
  std::wstring command_line = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &info)) {
    return {};
  }
  CloseHandle(info.hThread);
  return {info.hProcess, info.dwProcessId};
}

void EndAndClose(HANDLE process, DWORD wait_ms) {
  if (!process) return;
  if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, wait_ms);
  }
  CloseHandle(process);
}

namespace {

// The exit code of the process `info` started, or nullopt when it does not
// end within `timeout_ms` (it is then ended); closes both handles.
std::optional<DWORD> ExitCodeWithin(const PROCESS_INFORMATION& info, DWORD timeout_ms) {
  CloseHandle(info.hThread);
  DWORD code = 0;
  const bool ended = WaitForSingleObject(info.hProcess, timeout_ms) == WAIT_OBJECT_0 &&
                     GetExitCodeProcess(info.hProcess, &code);
  if (!ended) TerminateProcess(info.hProcess, 1);
  CloseHandle(info.hProcess);
  return ended ? std::optional(code) : std::nullopt;
}

}  // namespace

std::optional<DWORD> RunToEnd(std::wstring command_line, DWORD timeout_ms) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return std::nullopt;
  }
  return ExitCodeWithin(info, timeout_ms);
}

std::optional<DWORD> RunProgramToEnd(const std::wstring& program, const std::wstring& arguments,
                                     const std::wstring& folder, DWORD timeout_ms) {
  std::wstring line = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                      nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    return std::nullopt;
  }
  return ExitCodeWithin(info, timeout_ms);
}

}  // namespace support
