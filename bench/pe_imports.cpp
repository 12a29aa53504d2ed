#include "pe_imports.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>

namespace bench {
namespace {

// System DLLs a statically linked Win32 program may name. A C++ runtime
// (libstdc++-6.dll, libgcc_s_*.dll, libwinpthread-1.dll) is not among them.
constexpr const char* kWindowsDlls[] = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll",  "dwmapi.dll",
    "gdi32.dll",    "gdiplus.dll",  "imm32.dll",    "kernel32.dll", "msvcrt.dll",
    "ntdll.dll",    "ole32.dll",    "oleaut32.dll", "psapi.dll",    "rpcrt4.dll",
    "secur32.dll",  "setupapi.dll", "shcore.dll",   "shell32.dll",  "shlwapi.dll",
    "user32.dll",   "userenv.dll",  "uxtheme.dll",  "version.dll",  "winmm.dll",
    "winspool.drv", "ws2_32.dll",
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

class Image {
 public:
  explicit Image(std::vector<char> bytes) : bytes_(std::move(bytes)) {}

  template <typename T>
  const T* At(std::size_t offset) const {
    return offset + sizeof(T) <= bytes_.size() ? reinterpret_cast<const T*>(&bytes_[offset])
                                               : nullptr;
  }

  bool Parse() {
    const auto* dos = At<IMAGE_DOS_HEADER>(0);
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    nt_ = At<IMAGE_NT_HEADERS32>(static_cast<std::size_t>(dos->e_lfanew));
    if (!nt_ || nt_->Signature != IMAGE_NT_SIGNATURE ||
        nt_->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
      return false;
    }
    sections_offset_ = static_cast<std::size_t>(dos->e_lfanew) + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                       nt_->FileHeader.SizeOfOptionalHeader;
    return true;
  }

  // File offset of a relative virtual address, through the section table.
  std::optional<std::size_t> Offset(DWORD rva) const {
    for (WORD i = 0; i < nt_->FileHeader.NumberOfSections; ++i) {
      const auto* section =
          At<IMAGE_SECTION_HEADER>(sections_offset_ + i * sizeof(IMAGE_SECTION_HEADER));
      if (!section) return std::nullopt;
      const DWORD size = std::max(section->Misc.VirtualSize, section->SizeOfRawData);
      if (rva >= section->VirtualAddress && rva < section->VirtualAddress + size) {
        return rva - section->VirtualAddress + section->PointerToRawData;
      }
    }
    return std::nullopt;
  }

  std::string StringAt(DWORD rva) const {
    const auto offset = Offset(rva);
    if (!offset || *offset >= bytes_.size()) return {};
    const char* start = &bytes_[*offset];
    return std::string(start, strnlen(start, bytes_.size() - *offset));
  }

  const IMAGE_DATA_DIRECTORY& Directory(int index) const {
    return nt_->OptionalHeader.DataDirectory[index];
  }

  // Walks a table of `Descriptor`s that ends with an all-zero one, taking
  // each one's DLL name.
  template <typename Descriptor, typename NameOf>
  void CollectNames(int directory, NameOf name_of, std::vector<std::string>* names) const {
    const IMAGE_DATA_DIRECTORY& entry = Directory(directory);
    if (!entry.VirtualAddress) return;
    const auto offset = Offset(entry.VirtualAddress);
    if (!offset) return;
    for (std::size_t at = *offset;; at += sizeof(Descriptor)) {
      const auto* descriptor = At<Descriptor>(at);
      if (!descriptor || name_of(*descriptor) == 0) return;
      names->push_back(StringAt(name_of(*descriptor)));
    }
  }

 private:
  std::vector<char> bytes_;
  const IMAGE_NT_HEADERS32* nt_ = nullptr;
  std::size_t sections_offset_ = 0;
};

}  // namespace

std::optional<ProgramFile> ReadProgramFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ProgramFile file;
  file.size = bytes.size();
  Image image(std::move(bytes));
  if (!image.Parse()) return std::nullopt;
  image.CollectNames<IMAGE_IMPORT_DESCRIPTOR>(
      IMAGE_DIRECTORY_ENTRY_IMPORT, [](const IMAGE_IMPORT_DESCRIPTOR& d) { return d.Name; },
      &file.imports);
  image.CollectNames<IMAGE_DELAYLOAD_DESCRIPTOR>(
      IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT,
      [](const IMAGE_DELAYLOAD_DESCRIPTOR& d) { return d.DllNameRVA; }, &file.imports);
  return file;
}

bool ShipsWithWindows(const std::string& dll) {
  const std::string name = Lower(dll);
  return std::any_of(std::begin(kWindowsDlls), std::end(kWindowsDlls),
                     [&](const char* known) { return name == known; });
}

}  // namespace bench
