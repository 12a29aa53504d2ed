// Which folders a log written with rights other accounts lack (as
// LocalSystem, or elevated) may lie in. The program's /log and the package's
// own log folder follow this one rule.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/installer/folder_access.h"

namespace tarnwell {

enum class LogFolderRole {
  // A drive's root, a share, or a folder between it and the log's folder:
  // nobody else may delete or rename what lies below it, nor take it over.
  Above,
  // The folder the log file is in: nobody else may add, change or delete
  // anything there, so no file can be planted or swapped beside the log.
  HoldsTheLog,
};

// The role of part `index` of a log's path of `count` parts, the drive's
// root or share being part 0 and the log's own folder the last.
LogFolderRole RoleOfPart(std::size_t index, std::size_t count);

// Why a folder on a log path, open as itself, may not be used, as part of a
// sentence ("it is not a folder", "Users may delete it"); nothing when it
// may. `is_folder` and `is_link` come from the folder's handle.
std::optional<std::wstring> UnusableLogPathFolder(bool is_folder, bool is_link,
                                                  const AccessList& list, LogFolderRole role);

// A log file's path in parts: its drive's root ("C:\") or its share
// ("\\server\share\"), the folders below it, outermost first (doubled
// separators name no folder), and the file's name. "C:\a\b\x.log" gives
// "C:\", {"a", "b"} and "x.log". Nothing for a path of another form, or
// one ending with a separator.
struct LogFileParts {
  std::wstring root;
  std::vector<std::wstring> folders;
  std::wstring name;
};
std::optional<LogFileParts> SplitLogFile(const std::wstring& file);

// "<name>-<16 hex digits>" from eight random bytes: the name a log folder
// takes when `name` is taken by what fails the rule. Nobody can make it in
// advance.
std::wstring FreshLogFolderName(const std::wstring& name, const std::uint8_t (&random)[8]);

// Whether `found` has the form FreshLogFolderName gives `name` (the digits
// in lower case): a folder an earlier run may have made in its place.
bool IsFreshLogFolderName(const std::wstring& found, const std::wstring& name);

}  // namespace tarnwell
