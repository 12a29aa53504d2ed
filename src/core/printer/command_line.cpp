#include "core/printer/command_line.h"

#include <algorithm>
#include <vector>

namespace tarnwell {
namespace {

constexpr wchar_t kBlanks[] = L" \t";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsBareName(const std::wstring& name) {
  return !name.empty() && name.find_first_of(L"\\/:") == std::wstring::npos && name != L"." &&
         name != L"..";
}

// Windows' own folders only: PATH may hold folders any user can write to
// (a folder at a drive's root, a tool's folder), and what is started from
// there would run with our rights, as LocalSystem or elevated.
std::vector<std::wstring> SearchFolders(const ProgramSearch& search) {
  std::vector<std::wstring> folders = {search.system_folder, search.windows_folder};
  std::erase_if(folders, [](const std::wstring& folder) { return !IsFullyQualified(folder); });
  return folders;
}

std::optional<std::wstring> FindBareName(std::wstring name, const ProgramSearch& search,
                                         const FileLookup& is_file) {
  if (name.find(L'.') == std::wstring::npos) name += L".exe";
  for (std::wstring folder : SearchFolders(search)) {
    if (!IsSeparator(folder.back())) folder += L'\\';
    if (is_file(folder + name)) return folder + name;
  }
  return std::nullopt;
}

// A quoted or bare program named by `word`: its full path, if it may run.
std::optional<std::wstring> FindProgram(const std::wstring& word, const ProgramSearch& search,
                                        const FileLookup& is_file) {
  if (IsBareName(word)) return FindBareName(word, search, is_file);
  if (IsFullyQualified(word) && is_file(word)) return word;
  return std::nullopt;
}

ResolvedCommand Resolved(const std::wstring& program, const std::wstring& rest) {
  return {program, L"\"" + program + L"\"" + rest};
}

std::optional<ResolvedCommand> ResolveQuoted(const std::wstring& command, std::size_t start,
                                             const ProgramSearch& search,
                                             const FileLookup& is_file) {
  const std::size_t close = command.find(L'"', start + 1);
  if (close == std::wstring::npos) return std::nullopt;
  const auto program = FindProgram(command.substr(start + 1, close - start - 1), search, is_file);
  if (!program) return std::nullopt;
  return Resolved(*program, command.substr(close + 1));
}

// The longest prefix that names a file wins, as the platform's own start of
// an unquoted line would find it; only prefixes a path can be are tried.
std::optional<ResolvedCommand> ResolveUnquoted(const std::wstring& command, std::size_t start,
                                               const ProgramSearch& search,
                                               const FileLookup& is_file) {
  const std::size_t first_blank = command.find_first_of(kBlanks, start);
  const std::wstring first_word = command.substr(start, first_blank - start);
  if (IsBareName(first_word)) {
    const auto program = FindBareName(first_word, search, is_file);
    if (!program) return std::nullopt;
    const std::size_t rest = first_blank == std::wstring::npos ? command.size() : first_blank;
    return Resolved(*program, command.substr(rest));
  }
  if (!IsFullyQualified(first_word)) return std::nullopt;

  std::size_t end = std::min(command.size(), start + kMaxProgramPath);
  if (end < command.size() && !IsBlank(command[end])) end = command.find_last_of(kBlanks, end);
  while (end != std::wstring::npos && end > start) {
    end = command.find_last_not_of(kBlanks, end - 1) + 1;
    const std::wstring candidate = command.substr(start, end - start);
    if (is_file(candidate)) return Resolved(candidate, command.substr(end));
    end = command.find_last_of(kBlanks, end - 1);
  }
  return std::nullopt;
}

}  // namespace

bool IsFullyQualified(const std::wstring& path) {
  return path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') ||
                              (path[0] >= L'a' && path[0] <= L'z')) &&
         path[1] == L':' && IsSeparator(path[2]);
}

std::optional<ResolvedCommand> ResolveRegisteredCommand(const std::wstring& command,
                                                        const ProgramSearch& search,
                                                        const FileLookup& is_file) {
  if (command.size() > kMaxCommandLine) return std::nullopt;
  const std::size_t start = command.find_first_not_of(kBlanks);
  if (start == std::wstring::npos) return std::nullopt;
  if (command[start] == L'"') return ResolveQuoted(command, start, search, is_file);
  return ResolveUnquoted(command, start, search, is_file);
}

}  // namespace tarnwell
