#include "core/printer/command_line.h"

namespace tarnwell {
namespace {

bool NamesExistingFile(Machine& machine, const std::wstring& path) {
  if (path.empty()) return false;
  const auto found = machine.FindEntry(path);
  return found && (*found & file_attr::kDirectory) == 0;
}

}  // namespace

std::wstring QuoteProgramPath(Machine& machine, const std::wstring& command_line) {
  const std::size_t start = command_line.find_first_not_of(L" \t");
  if (start == std::wstring::npos || command_line[start] == L'"') return command_line;

  // Candidate ends: every blank after the start, then the end of the text;
  // the longest that names a file wins.
  std::size_t end = command_line.size();
  while (true) {
    const std::wstring candidate = command_line.substr(start, end - start);
    if (NamesExistingFile(machine, candidate)) {
      return L"\"" + candidate + L"\"" + command_line.substr(end);
    }
    if (end <= start) break;
    const std::size_t blank = command_line.find_last_of(L" \t", end - 1);
    if (blank == std::wstring::npos || blank <= start) break;
    end = blank;
  }
  return command_line;
}

}  // namespace tarnwell
