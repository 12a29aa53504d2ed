#include "core/look/cursor_file.h"

namespace tarnwell {
namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::uint32_t kBitmapHeaderSize = 40;
constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8);
}
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return U16(b, at) | (U16(b, at + 2) << 16);
}

bool StartsWithPng(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t length) {
  if (length < sizeof(kPngSignature)) return false;
  for (std::size_t i = 0; i < sizeof(kPngSignature); ++i) {
    if (b[at + i] != kPngSignature[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<std::wstring> DescribeCursorFileProblem(const std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return L"The cursor file is empty.";
  if (bytes.size() < kHeaderSize || U16(bytes, 0) != 0 || U16(bytes, 2) != 2) {
    return L"The file is not a cursor file.";
  }
  const std::uint32_t count = U16(bytes, 4);
  if (count == 0) return L"The cursor file holds no image.";
  if (kHeaderSize + count * kEntrySize > bytes.size()) {
    return L"The cursor file is cut short: its image directory is incomplete.";
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = kHeaderSize + i * kEntrySize;
    const std::uint64_t length = U32(bytes, entry + 8);
    const std::uint64_t offset = U32(bytes, entry + 12);
    if (length == 0 || offset + length > bytes.size()) {
      return L"The cursor file is cut short: image " + std::to_wstring(i + 1) +
             L" lies beyond its end.";
    }
    const bool bitmap = length >= kBitmapHeaderSize && U32(bytes, offset) == kBitmapHeaderSize;
    if (!bitmap && !StartsWithPng(bytes, offset, length)) {
      return L"Image " + std::to_wstring(i + 1) + L" of the cursor file is not a picture.";
    }
  }
  return std::nullopt;
}

}  // namespace tarnwell
