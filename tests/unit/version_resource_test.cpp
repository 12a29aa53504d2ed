// The version read from a program file's own bytes: a small program image
// laid out by hand, and the same image spoilt in the ways a file written to
// mislead could be. Wine's and the package's tiers read real programs.
#include <gtest/gtest.h>

#include <functional>

#include "core/printer/version_resource.h"

namespace tarnwell::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, static_cast<std::uint16_t>(v));
  Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// One section at file offset 0x200 (address 0x1000) holding the resource
// tree: version (16) / 1 / 0x409, whose data at 0x260 is a VS_VERSIONINFO
// with file version 9.9.9.9 and product version 7.1.0.2.
Bytes Program() {
  Bytes b(0x400, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, 0x40);
  Put32(b, 0x40, 0x00004550);  // "PE\0\0"
  Put16(b, 0x44, 0x14C);
  Put16(b, 0x46, 1);           // sections
  Put16(b, 0x54, 0xE0);        // optional header size
  Put16(b, 0x58, 0x10B);       // PE32
  Put32(b, 0xB4, 16);          // data directories
  Put32(b, 0xC8, 0x1000);      // resources: address
  Put32(b, 0xCC, 0x200);       //            size
  Put32(b, 0x140, 0x200);      // section: virtual size
  Put32(b, 0x144, 0x1000);     //          address
  Put32(b, 0x148, 0x200);      //          size in the file
  Put32(b, 0x14C, 0x200);      //          offset in the file
  Put16(b, 0x20E, 1);          // root: one id entry
  Put32(b, 0x210, 16);
  Put32(b, 0x214, 0x80000018);
  Put16(b, 0x226, 1);          // version: one id entry
  Put32(b, 0x228, 1);
  Put32(b, 0x22C, 0x80000030);
  Put16(b, 0x23E, 1);          // resource 1: one language
  Put32(b, 0x240, 0x409);
  Put32(b, 0x244, 0x48);
  Put32(b, 0x248, 0x1060);     // data entry: address
  Put32(b, 0x24C, 92);         //             size
  Put16(b, 0x260, 92);
  Put16(b, 0x262, 52);
  const char key[] = "VS_VERSION_INFO";
  for (std::size_t i = 0; i < sizeof key; ++i) Put16(b, 0x266 + 2 * i, key[i]);
  Put32(b, 0x288, 0xFEEF04BD);
  Put32(b, 0x290, 0x00090009);  // file version
  Put32(b, 0x294, 0x00090009);
  Put32(b, 0x298, 0x00070001);  // product version
  Put32(b, 0x29C, 0x00000002);
  return b;
}

TEST(VersionResource, TheProductVersionIsReadAndAMisleadingFileHasNone) {
  struct Case {
    const char* name;
    std::function<void(Bytes&)> spoil;
    std::optional<std::wstring> version;
  };
  const Case cases[] = {
      {"as made", [](Bytes&) {}, L"7.1.0.2"},
      {"cut inside the version", [](Bytes& b) { b.resize(0x2A0); }, std::nullopt},
      {"no fixed part's signature", [](Bytes& b) { Put32(b, 0x288, 0xFEEF04BC); }, std::nullopt},
      {"another key", [](Bytes& b) { Put16(b, 0x266, 'X'); }, std::nullopt},
      {"headers past the end", [](Bytes& b) { Put32(b, 0x3C, 0xFFFFFF00); }, std::nullopt},
      {"not a program", [](Bytes& b) { b[0] = 'N'; }, std::nullopt},
      {"version larger than its section", [](Bytes& b) { Put32(b, 0x24C, 0x7FFFFFFF); },
       std::nullopt},
      {"resources outside every section", [](Bytes& b) { Put32(b, 0xC8, 0x5000); }, std::nullopt},
      {"no version resource", [](Bytes& b) { Put32(b, 0x210, 3); }, std::nullopt},
      {"a loop in the tree", [](Bytes& b) { Put32(b, 0x22C, 0x80000000); }, std::nullopt},
      {"another resource than 1", [](Bytes& b) { Put32(b, 0x228, 7); }, L"7.1.0.2"},
  };
  for (const Case& c : cases) {
    Bytes file = Program();
    c.spoil(file);
    std::size_t largest = 0;
    const ReadFileAt read = [&](std::uint64_t offset, std::size_t size, Bytes& out) {
      EXPECT_LE(offset + size, file.size()) << c.name;
      largest = std::max(largest, size);
      if (offset + size > file.size()) return false;
      out.assign(file.begin() + static_cast<long>(offset),
                 file.begin() + static_cast<long>(offset + size));
      return true;
    };
    EXPECT_EQ(ProductVersionOfProgram(read, file.size()), c.version) << c.name;
    EXPECT_LE(largest, kMostVersionResourceBytes) << c.name;
  }
}

}  // namespace
}  // namespace tarnwell::testing
