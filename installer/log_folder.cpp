#include "log_folder.h"

#include <windows.h>
#include <aclapi.h>

#include "core/texts/text.h"
#include "win32_common/account_security.h"
#include "win32_common/files.h"
#include "win32_common/relative_open.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

// Why the log file already in the held folder may not be written; nothing
// when it may, or when there is none yet (the program makes it).
std::optional<std::wstring> UnusableLogFile(const HeldLogFolder& folder,
                                            const Deadline& deadline) {
  const std::wstring name = folder.file.substr(folder.file.find_last_of(L"\\/") + 1);
  const BoundedOpen opened = OpenInFolder(deadline, folder.folder(), name, OpenAs::File,
                                          OpenMode::Existing, READ_CONTROL | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE);
  if (opened.timed_out) return std::wstring(L"it could not be opened in time");
  if (!opened.file) {
    if (opened.error == ERROR_FILE_NOT_FOUND) return std::nullopt;
    return L"it could not be opened: " + DescribeWin32Error(opened.error);
  }
  if (!IsOrdinaryDiskFile(opened.file.get())) return std::wstring(L"it is not a plain file");
  if (!HasTrustedOwner(opened.file.get(), SE_FILE_OBJECT)) {
    return std::wstring(L"another account owns it");
  }
  return std::nullopt;
}

}  // namespace

StepLog PrepareStepLog(const std::wstring& wanted, const Deadline& deadline) {
  StepLog log;
  log.folder = HoldLogFolder(wanted, deadline);
  const auto take_notes = [&log] {
    log.notes.insert(log.notes.end(), log.folder.notes.begin(), log.folder.notes.end());
    log.folder.notes.clear();
  };
  take_notes();
  if (log.folder.refusal) {
    log.notes.push_back(*log.folder.refusal);
    return log;
  }
  if (const auto why = UnusableLogFile(log.folder, deadline)) {
    // Nothing is deleted in a folder another account may once have held.
    log.notes.push_back(L"The log file " + Quoted(log.folder.file) + L" is not used: " + *why +
                        L".");
    const bool moved = UseFreshLogFolder(log.folder, deadline);
    take_notes();
    if (!moved) return log;
    // A folder an earlier run made may hold such a file too.
    if (const auto still = UnusableLogFile(log.folder, deadline)) {
      log.notes.push_back(L"The log file " + Quoted(log.folder.file) + L" is not used: " +
                          *still + L".");
      return log;
    }
  }
  log.file = log.folder.file;
  return log;
}

}  // namespace tarnwell
