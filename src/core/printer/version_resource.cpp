#include "core/printer/version_resource.h"

namespace tarnwell {
namespace {

constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint16_t kPe32 = 0x10b;
constexpr std::uint16_t kPe32Plus = 0x20b;
constexpr std::uint32_t kResourceTable = 2;          // index among the data directories
constexpr std::uint32_t kVersionType = 16;           // RT_VERSION
constexpr std::uint32_t kVersionId = 1;              // VS_VERSION_INFO
constexpr std::uint32_t kSubdirectory = 0x80000000;  // in a resource entry's offset
constexpr std::uint32_t kNamed = 0x80000000;         // in a resource entry's name
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::uint16_t kMostSections = 96;          // the loader's own limit
constexpr std::size_t kMostEntriesRead = 4096;       // of one resource directory
constexpr std::uint64_t kMostHeaderOffset = 1 << 20;

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(U16(b, at)) | (static_cast<std::uint32_t>(U16(b, at + 2)) << 16);
}

struct Section {
  std::uint32_t address, raw_size, raw_offset;
};

class Image {
 public:
  Image(const ReadFileAt& read, std::uint64_t size) : read_(read), size_(size) {}

  bool Read(std::uint64_t offset, std::size_t length, std::vector<std::uint8_t>& out) const {
    if (length == 0 || offset > size_ || length > size_ - offset) return false;
    out.assign(length, 0);
    return read_(offset, length, out) && out.size() == length;
  }

  // Reads `length` bytes at the relative virtual address `rva`, which must
  // lie wholly in one section's bytes in the file.
  bool ReadRva(std::uint32_t rva, std::size_t length, std::vector<std::uint8_t>& out) const {
    for (const Section& s : sections_) {
      if (rva < s.address) continue;
      const std::uint64_t into = rva - s.address;
      if (into >= s.raw_size || length > s.raw_size - into) continue;
      return Read(std::uint64_t{s.raw_offset} + into, length, out);
    }
    return false;
  }

  // The resource table's address, with the sections read; 0 when none.
  std::uint32_t ReadHeaders() {
    std::vector<std::uint8_t> b;
    if (!Read(0, 64, b) || b[0] != 'M' || b[1] != 'Z') return 0;
    const std::uint32_t pe = U32(b, 0x3C);
    if (pe > kMostHeaderOffset || !Read(pe, 24, b) || U32(b, 0) != kPeSignature) return 0;
    const std::uint16_t sections = U16(b, 6);
    const std::uint16_t optional_size = U16(b, 20);
    if (sections == 0 || sections > kMostSections || optional_size < 2) return 0;
    std::vector<std::uint8_t> opt;
    if (!Read(pe + 24, optional_size, opt)) return 0;
    const std::uint16_t magic = U16(opt, 0);
    std::size_t count_at = 0;
    if (magic == kPe32) {
      count_at = 92;
    } else if (magic == kPe32Plus) {
      count_at = 108;
    } else {
      return 0;
    }
    const std::size_t table_at = count_at + 4 + kResourceTable * 8;
    if (opt.size() < table_at + 8 || U32(opt, count_at) <= kResourceTable) return 0;
    const std::uint32_t resources = U32(opt, table_at);
    std::vector<std::uint8_t> table;
    if (resources == 0 || !Read(pe + 24 + std::uint64_t{optional_size}, sections * 40u, table)) {
      return 0;
    }
    for (std::size_t i = 0; i < sections; ++i) {
      sections_.push_back({U32(table, i * 40 + 12), U32(table, i * 40 + 16), U32(table, i * 40 + 20)});
    }
    return resources;
  }

 private:
  const ReadFileAt& read_;
  std::uint64_t size_;
  std::vector<Section> sections_;
};

// One entry of a resource directory: its id (or kNamed) and its offset
// from the resource table's start.
struct ResourceEntry {
  std::uint32_t name, offset;
};

// The entries of the directory at `offset` in the resource table.
std::vector<ResourceEntry> ReadDirectory(const Image& image, std::uint32_t table,
                                         std::uint32_t offset) {
  std::vector<std::uint8_t> b;
  if (!image.ReadRva(table + offset, 16, b)) return {};
  std::size_t count = std::size_t{U16(b, 12)} + U16(b, 14);
  if (count > kMostEntriesRead) count = kMostEntriesRead;
  if (count == 0 || !image.ReadRva(table + offset + 16, count * 8, b)) return {};
  std::vector<ResourceEntry> entries;
  for (std::size_t i = 0; i < count; ++i) entries.push_back({U32(b, i * 8), U32(b, i * 8 + 4)});
  return entries;
}

// The subdirectory of the entry with `id`, or of the first entry when
// `id` is 0 or, with `or_first`, when none has it; nothing when it is data.
std::optional<std::uint32_t> Subdirectory(const std::vector<ResourceEntry>& entries,
                                          std::uint32_t id, bool or_first) {
  const ResourceEntry* found = nullptr;
  for (const ResourceEntry& entry : entries) {
    if (id != 0 && (entry.name & kNamed) == 0 && entry.name == id) {
      found = &entry;
      break;
    }
  }
  if (!found && (id == 0 || or_first) && !entries.empty()) found = &entries.front();
  if (!found || (found->offset & kSubdirectory) == 0) return std::nullopt;
  return found->offset & ~kSubdirectory;
}

std::wstring Field(std::uint32_t word, bool high) {
  return std::to_wstring(high ? word >> 16 : word & 0xFFFF);
}

}  // namespace

std::optional<std::wstring> ProductVersionOfProgram(const ReadFileAt& read,
                                                    std::uint64_t file_size) {
  Image image(read, file_size);
  const std::uint32_t table = image.ReadHeaders();
  if (table == 0) return std::nullopt;
  const auto types = Subdirectory(ReadDirectory(image, table, 0), kVersionType, false);
  if (!types) return std::nullopt;
  const auto names = Subdirectory(ReadDirectory(image, table, *types), kVersionId, true);
  if (!names) return std::nullopt;
  const std::vector<ResourceEntry> languages = ReadDirectory(image, table, *names);
  if (languages.empty() || (languages.front().offset & kSubdirectory) != 0) return std::nullopt;
  std::vector<std::uint8_t> data_entry;
  if (!image.ReadRva(table + languages.front().offset, 16, data_entry)) return std::nullopt;
  const std::uint32_t data_rva = U32(data_entry, 0);
  std::size_t data_size = U32(data_entry, 4);
  if (data_size > kMostVersionResourceBytes) data_size = kMostVersionResourceBytes;
  // VS_VERSIONINFO: length, value length, type, the key "VS_VERSION_INFO"
  // and its terminator (32 bytes) from byte 6, padded to 40; then the
  // fixed part, whose product version is at bytes 16 to 23.
  constexpr std::size_t kFixedAt = 40;
  constexpr std::size_t kFixedSize = 52;
  std::vector<std::uint8_t> v;
  if (data_size < kFixedAt + kFixedSize || !image.ReadRva(data_rva, data_size, v)) {
    return std::nullopt;
  }
  const char key[] = "VS_VERSION_INFO";
  for (std::size_t i = 0; i < sizeof key; ++i) {
    if (U16(v, 6 + 2 * i) != static_cast<std::uint8_t>(key[i])) return std::nullopt;
  }
  if (U16(v, 2) < kFixedSize || U32(v, kFixedAt) != kFixedSignature) return std::nullopt;
  const std::uint32_t ms = U32(v, kFixedAt + 16);
  const std::uint32_t ls = U32(v, kFixedAt + 20);
  return Field(ms, true) + L"." + Field(ms, false) + L"." + Field(ls, true) + L"." +
         Field(ls, false);
}

}  // namespace tarnwell
