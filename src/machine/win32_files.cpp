// Files and environment as Windows reports them.
#include "machine/win32_machine.h"

#include <string>
#include <vector>

#include "app/run_error.h"
#include "machine/unique_handle.h"

namespace tarnwell {
namespace {

// Characters a directory search reads as wildcards (the last three are the
// DOS forms of *, ? and .); none of them can be part of a file's name.
constexpr wchar_t kWildcards[] = L"*?<>\"";

[[noreturn]] void ThrowLastError() { throw RunError(DescribeWin32Error(GetLastError())); }

}  // namespace

std::wstring Win32Machine::ApplicationFolder() {
  // Grows the buffer until the whole path fits, so long paths come back whole.
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) ThrowLastError();
    if (length < size) {
      std::wstring path(buffer.data(), length);
      const std::size_t separator = path.find_last_of(L"\\/");
      if (separator != std::wstring::npos) path.resize(separator);
      return path;
    }
    buffer.resize(buffer.size() * 2);
  }
}

void Win32Machine::QueryFileTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) ThrowLastError();
}

std::optional<std::uint32_t> Win32Machine::FindEntry(const std::wstring& path) {
  if (path.empty() || path.find_first_of(kWildcards) != std::wstring::npos) return std::nullopt;
  WIN32_FIND_DATAW entry;
  const UniqueFind find(FindFirstFileW(path.c_str(), &entry));
  if (find.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  return static_cast<std::uint32_t>(entry.dwFileAttributes);
}

std::wstring Win32Machine::EnvironmentVariable(const std::wstring& name) {
  // The value may change between the size query and the read; ask again then.
  DWORD size = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
  while (size > 0) {
    std::vector<wchar_t> buffer(size);
    const DWORD length = GetEnvironmentVariableW(name.c_str(), buffer.data(), size);
    if (length < size) return std::wstring(buffer.data(), length);
    size = length;
  }
  return {};
}

}  // namespace tarnwell
