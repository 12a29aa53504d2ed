// Files and environment as Windows reports them.
#include "win32/machine/machine.h"

#include <string>
#include <vector>

#include "core/port/run_error.h"
#include "win32_common/files.h"
#include "win32_common/scoped_handle.h"

namespace tarnwell {
namespace {

// Characters a directory search reads as wildcards (the last three are the
// DOS forms of *, ? and .); none of them can be part of a file's name.
constexpr wchar_t kWildcards[] = L"*?<>\"";

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
  if (!find) return std::nullopt;
  return static_cast<std::uint32_t>(entry.dwFileAttributes);
}

std::wstring Win32Machine::EnvironmentVariable(const std::wstring& name) {
  return EnvironmentValue(name);
}

}  // namespace tarnwell
