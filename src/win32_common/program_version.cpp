#include "win32_common/program_version.h"

#include <cstdint>
#include <vector>

#include "core/printer/version_resource.h"

namespace tarnwell {

// Reads at an offset of their own, so a shared handle's file pointer does
// not matter. A local file held open cannot be held up by an oplock while
// it is read; the deadline bounds the reads all the same.
std::optional<std::wstring> ProgramVersionOf(HANDLE file, const Deadline& deadline) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 0) return std::nullopt;
  const ReadFileAt read = [file, &deadline](std::uint64_t offset, std::size_t length,
                                            std::vector<std::uint8_t>& out) {
    if (deadline.Remaining() == 0 || length > MAXDWORD) return false;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    return ReadFile(file, out.data(), static_cast<DWORD>(length), &got, &at) && got == length;
  };
  return ProductVersionOfProgram(read, static_cast<std::uint64_t>(size.QuadPart));
}

}  // namespace tarnwell
