#include "core/installer/log_folder_rule.h"

#include "core/printer/command_line.h"

namespace tarnwell {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The names between separators from `from` on; empty ones dropped.
std::vector<std::wstring> NamesFrom(const std::wstring& path, std::size_t from) {
  std::vector<std::wstring> names(1);
  for (std::size_t i = from; i < path.size(); ++i) {
    if (!IsSeparator(path[i])) {
      names.back() += path[i];
    } else if (!names.back().empty()) {
      names.emplace_back();
    }
  }
  if (names.back().empty()) names.pop_back();
  return names;
}

}  // namespace

std::optional<LogFileParts> SplitLogFile(const std::wstring& file) {
  if (file.empty() || IsSeparator(file.back())) return std::nullopt;
  LogFileParts parts;
  if (IsFullyQualified(file)) {
    parts.root = file.substr(0, 3);
    parts.folders = NamesFrom(file, 3);
  } else if (file.size() > 2 && IsSeparator(file[0]) && IsSeparator(file[1]) &&
             !IsSeparator(file[2])) {
    // "\\server\share\": the server and the share name the root.
    std::size_t end = 2;
    for (int name = 0; name < 2; ++name) {
      while (end < file.size() && IsSeparator(file[end])) ++end;
      while (end < file.size() && !IsSeparator(file[end])) ++end;
    }
    if (end >= file.size()) return std::nullopt;
    parts.root = file.substr(0, end + 1);
    const std::vector<std::wstring> names = NamesFrom(file, 2);
    parts.folders.assign(names.begin() + 2, names.end());
  } else {
    return std::nullopt;
  }
  if (parts.folders.empty()) return std::nullopt;
  parts.name = parts.folders.back();
  parts.folders.pop_back();
  return parts;
}

LogFolderRole RoleOfPart(std::size_t index, std::size_t count) {
  return index + 1 >= count ? LogFolderRole::HoldsTheLog : LogFolderRole::Above;
}

std::optional<std::wstring> UnusableLogPathFolder(bool is_folder, bool is_link,
                                                  const AccessList& list, LogFolderRole role) {
  if (!is_folder) return std::wstring(L"it is not a folder");
  if (is_link) return std::wstring(L"it is a link, junction or mount point");
  return UnsafeAccess(list, role == LogFolderRole::HoldsTheLog ? PathPlace::ProgramOrPackage
                                                               : PathPlace::FolderAbove);
}

std::wstring FreshLogFolderName(const std::wstring& name, const std::uint8_t (&random)[8]) {
  std::wstring fresh = name + L"-";
  for (const std::uint8_t byte : random) {
    fresh += L"0123456789abcdef"[byte >> 4];
    fresh += L"0123456789abcdef"[byte & 0xF];
  }
  return fresh;
}

bool IsFreshLogFolderName(const std::wstring& found, const std::wstring& name) {
  if (found.size() != name.size() + 17 || found.compare(0, name.size(), name) != 0 ||
      found[name.size()] != L'-') {
    return false;
  }
  for (std::size_t i = name.size() + 1; i < found.size(); ++i) {
    const wchar_t c = found[i];
    if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'))) return false;
  }
  return true;
}

}  // namespace tarnwell
