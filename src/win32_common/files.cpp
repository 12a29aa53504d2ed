#include "win32_common/files.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

#include "core/port/run_error.h"
#include "core/texts/text.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

constexpr DWORD kReadChunk = 64 * 1024;

}  // namespace

bool IsOrdinaryDiskFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
         info.nNumberOfLinks == 1 &&
         !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

std::wstring EnvironmentValue(const std::wstring& name) {
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

std::vector<std::uint8_t> ReadFileCapped(const std::wstring& path, std::size_t max_bytes) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    // Opening a folder fails with "access denied", which would mislead.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      throw RunError(Quoted(path) + L" is a folder, not a file.");
    }
    throw RunError(Quoted(path) + L": " + DescribeWin32Error(error));
  }
  // One byte past the limit tells the caller the file is too large.
  const std::size_t limit = max_bytes < SIZE_MAX ? max_bytes + 1 : max_bytes;
  std::vector<std::uint8_t> bytes;
  while (bytes.size() < limit) {
    const std::size_t had = bytes.size();
    const auto want = static_cast<DWORD>(std::min<std::size_t>(limit - had, kReadChunk));
    bytes.resize(had + want);
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + had, want, &got, nullptr)) {
      throw RunError(Quoted(path) + L": " + DescribeWin32Error(GetLastError()));
    }
    bytes.resize(had + got);
    if (got == 0) break;
  }
  return bytes;
}

}  // namespace tarnwell
