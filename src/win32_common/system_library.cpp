#include "win32_common/system_library.h"

#include <vector>

#include "core/port/run_error.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

std::wstring Quote(const wchar_t* text) { return L"\"" + std::wstring(text) + L"\""; }

// Without the system's support for search flags (an un-updated Windows 7)
// the flag is refused; the full path then does the same job, and the altered
// search path sends that DLL's own imports to the system folder first.
HMODULE LoadFromSystemFolder(const wchar_t* dll) {
  const HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
  const std::wstring path = SystemFolder() + L"\\" + dll;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// A folder Windows names through a call of the GetSystemDirectoryW kind,
// which answers the size it needs when the buffer is too small.
std::wstring FolderFrom(UINT(WINAPI* get)(LPWSTR, UINT)) {
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    const UINT length = get(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0) ThrowLastError();
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length);
  }
}

}  // namespace

void LoadDllsFromSystemFolderOnly() noexcept {
  // Looked up rather than imported: the program must still start where the
  // function is missing.
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr));
  if (set_default) set_default(LOAD_LIBRARY_SEARCH_SYSTEM32);
  SetDllDirectoryW(L"");
}

std::wstring SystemFolder() { return FolderFrom(GetSystemDirectoryW); }

std::wstring SharedWindowsFolder() { return FolderFrom(GetSystemWindowsDirectoryW); }

// The module stays loaded for the rest of the process: callers keep the
// function's address.
FARPROC SystemFunctionAddress(const wchar_t* dll, const char* function) {
  const HMODULE module = LoadFromSystemFolder(dll);
  if (!module) throw RunError(Quote(dll) + L": " + DescribeWin32Error(GetLastError()));
  const FARPROC address = GetProcAddress(module, function);
  if (!address) {
    const std::wstring name(function, function + std::char_traits<char>::length(function));
    throw RunError(Quote(dll) + L", " + Quote(name.c_str()) + L": " +
                   DescribeWin32Error(GetLastError()));
  }
  return address;
}

}  // namespace tarnwell
