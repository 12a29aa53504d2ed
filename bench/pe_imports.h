// The DLLs a Windows program file imports, read from its PE header.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace bench {

struct ProgramFile {
  unsigned long long size = 0;
  std::vector<std::string> imports;  // ordinary and delay-loaded, as spelled in the file
};

// Nothing when the file cannot be read or is not a 32-bit PE image.
std::optional<ProgramFile> ReadProgramFile(const std::wstring& path);

// Whether `dll` is one of the DLLs every Windows installation has.
bool ShipsWithWindows(const std::string& dll);

}  // namespace bench
