#include "win32_common/child_environment.h"

#include "core/port/run_error.h"
#include "win32_common/system_library.h"
#include "win32_common/trusted_path.h"

namespace tarnwell {
namespace {

bool IsPathVariable(const std::wstring& entry) {
  return entry.size() >= 5 && CompareStringOrdinal(entry.c_str(), 5, L"PATH=", 5, TRUE) ==
                                  CSTR_EQUAL;
}

// PATH's value with only the folders that pass the rule.
std::wstring SafeFolders(const std::wstring& value, const Deadline& deadline,
                         std::vector<std::wstring>& left_out) {
  std::wstring kept;
  std::size_t at = 0;
  while (at <= value.size()) {
    std::size_t end = value.find(L';', at);
    if (end == std::wstring::npos) end = value.size();
    const std::wstring folder = value.substr(at, end - at);
    at = end + 1;
    if (folder.empty()) continue;
    if (const auto why = CheckFolderToLoadFrom(folder, deadline)) {
      left_out.push_back(*why);
      continue;
    }
    if (!kept.empty()) kept += L';';
    kept += folder;
  }
  return kept;
}

}  // namespace

ChildEnvironment SafeChildEnvironment(const Deadline& deadline) {
  ChildEnvironment child;
  try {
    child.folder = SystemFolder();
  } catch (const RunError&) {
  }
  wchar_t* const strings = GetEnvironmentStringsW();
  if (strings) {
    for (const wchar_t* entry = strings; *entry; entry += wcslen(entry) + 1) {
      std::wstring variable(entry);
      if (IsPathVariable(variable)) {
        variable = variable.substr(0, 5) + SafeFolders(variable.substr(5), deadline, child.left_out);
      }
      child.block.insert(child.block.end(), variable.begin(), variable.end());
      child.block.push_back(L'\0');
    }
    FreeEnvironmentStringsW(strings);
  }
  if (child.block.empty()) child.block.push_back(L'\0');
  child.block.push_back(L'\0');
  return child;
}

}  // namespace tarnwell
