// DLLs from the system folder only. Anyone may be able to write to the folder
// a program is started from (Downloads, a USB stick, a share); a DLL dropped
// there must never be loaded in its place.
#pragma once

#include <windows.h>

#include <string>

namespace tarnwell {

// The first statement of every program: later loads search the system
// folder only, and never the current folder.
void LoadDllsFromSystemFolderOnly() noexcept;

// The system folder ("C:\Windows\System32" or its 32-bit view), without a
// trailing separator. Throws RunError.
std::wstring SystemFolder();

// The shared Windows folder ("C:\Windows"), also on a terminal server where
// each user has a private one. Throws RunError.
std::wstring SharedWindowsFolder();

// A function of one of Windows' own DLLs outside the always-loaded set,
// loaded from the system folder the first time it is asked for. Throws
// RunError naming the DLL or the function when either cannot be had, so the
// step that needed it reports the failure.
FARPROC SystemFunctionAddress(const wchar_t* dll, const char* function);

template <typename Function>
Function SystemFunction(const wchar_t* dll, const char* function) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemFunctionAddress(dll, function)));
}

}  // namespace tarnwell
