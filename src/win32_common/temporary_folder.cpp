#include "win32_common/temporary_folder.h"

#include <ntsecapi.h>
#include <sddl.h>

#include <cstdint>
#include <memory>

#include "core/installer/log_folder_rule.h"
#include "core/port/run_error.h"
#include "core/texts/text.h"
#include "win32_common/account_security.h"
#include "win32_common/folder_listing.h"
#include "win32_common/relative_open.h"
#include "win32_common/system_library.h"
#include "win32_common/trusted_path.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

// Held with delete access (to remove it at the end) and without delete
// sharing, so that nobody renames or replaces it while the program runs.
constexpr DWORD kHeldAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | DELETE | READ_CONTROL | FILE_READ_ATTRIBUTES;
constexpr DWORD kParentAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
constexpr DWORD kSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr int kNameTries = 4;
// What removal walks at most: a program's leftovers, not a disk.
constexpr int kDeepest = 32;
constexpr std::size_t kMostRemoved = 20000;
constexpr DWORD kRemovalMs = 10000;

using GetTempPath2Function = DWORD(WINAPI*)(DWORD, LPWSTR);

// GetTempPath2W where kernel32 has it; nothing where it does not. It came
// with build 20348 (Windows Server 2022, Windows 11), and reached Windows 10
// and Server 2016 from version 1607 with the updates of March 2025 on; for
// SYSTEM it answers C:\Windows\SystemTemp, or the machine's SystemTemp
// variable, which only administrators set
// (https://learn.microsoft.com/windows/win32/api/fileapi/nf-fileapi-gettemppath2w).
std::optional<std::wstring> TempPath2() {
  GetTempPath2Function get = nullptr;
  try {
    get = SystemFunction<GetTempPath2Function>(L"kernel32.dll", "GetTempPath2W");
  } catch (const RunError&) {
    return std::nullopt;
  }
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = get(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return std::nullopt;
  std::wstring folder(buffer, length);
  if (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

bool MarkForDeletion(HANDLE handle) {
  FILE_DISPOSITION_INFO dispose{TRUE};
  return SetFileInformationByHandle(handle, FileDispositionInfo, &dispose, sizeof dispose);
}

// Windows refuses to delete a read-only file: a setup's leftovers often are.
bool Delete(HANDLE handle) {
  if (MarkForDeletion(handle)) return true;
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) ||
      (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) == 0) {
    return false;
  }
  basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) &&
         MarkForDeletion(handle);
}

// Everything in the folder `folder` is open on, each entry opened through
// it as itself (a link is removed, not followed) and marked for deletion;
// false when anything stays.
bool EmptyFolder(HANDLE folder, const Deadline& deadline, int depth, std::size_t& budget) {
  std::vector<FolderEntry> entries;
  bool over = false;
  if (depth > kDeepest || ListOpenFolder(folder, budget, entries, over) != ERROR_SUCCESS || over) {
    return false;
  }
  budget -= entries.size();
  bool all = true;
  for (const FolderEntry& entry : entries) {
    const bool descend = entry.folder && !entry.link;
    BoundedOpen opened = OpenInFolder(
        deadline, folder, entry.name, entry.folder ? OpenAs::Folder : OpenAs::File,
        OpenMode::Existing,
        DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES |
            (descend ? FILE_LIST_DIRECTORY | FILE_TRAVERSE : 0),
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (!opened.file) {
      all = false;
      continue;
    }
    if (descend && !EmptyFolder(opened.file.get(), deadline, depth + 1, budget)) all = false;
    if (!Delete(opened.file.get())) all = false;
  }
  return all;
}

}  // namespace

// GetTempPath2W does not check its answer: the folder may be missing, and
// for an elevated account without a loaded profile it may be one others
// share. So it is used only when it and the folders above pass the rule of
// a program's folder; otherwise a folder is made, as where the function is
// missing.
std::optional<std::wstring> ChildTemporaryFolder::Prepare(const Deadline& deadline) {
  if (const auto windows_own = TempPath2()) {
    if (!CheckFolderToLoadFrom(*windows_own, deadline)) {
      path_ = *windows_own;
      return std::nullopt;
    }
  }
  return Make(deadline);
}

// In the Windows folder's Temp, opened as itself, a folder of a random name
// that must not exist yet: one made by anyone else beforehand is never
// used, and the access list is the folder's from its first moment.
std::optional<std::wstring> ChildTemporaryFolder::Make(const Deadline& deadline) {
  std::wstring parent;
  try {
    parent = SharedWindowsFolder() + L"\\Temp";
  } catch (const RunError& e) {
    return e.description();
  }
  SecurityDescriptor descriptor;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kTrustedOnlyFolderAccess, SDDL_REVISION_1,
                                                            descriptor.put(), nullptr)) {
    return L"its permissions could not be made: " + DescribeWin32Error(GetLastError());
  }
  const std::shared_ptr<void> security = Shared(std::move(descriptor));
  const BoundedOpen above =
      CreateFileBefore(deadline, parent, kParentAccess, kSharing | FILE_SHARE_DELETE,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
  if (!above.file) {
    return Quoted(parent) + L" could not be opened: " + DescribeWin32Error(above.error);
  }
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    std::uint8_t random[8];
    if (!RtlGenRandom(random, sizeof random)) break;
    // "Tarnwell-<16 hex digits>", the form a log folder's fresh name takes:
    // nobody can make it in advance.
    const std::wstring name = FreshLogFolderName(L"Tarnwell", random);
    BoundedOpen made = OpenInFolder(deadline, above.file.get(), name, OpenAs::Folder,
                                    OpenMode::CreateNew, kHeldAccess, kSharing, security);
    if (made.file) {
      held_ = std::move(made.file);
      path_ = parent + L"\\" + name;
      return std::nullopt;
    }
    if (made.timed_out || (made.error != ERROR_ALREADY_EXISTS && made.error != ERROR_FILE_EXISTS)) {
      return L"no folder could be made in " + Quoted(parent) + L": " +
             DescribeWin32Error(made.error);
    }
  }
  return L"no folder of a new name could be made in " + Quoted(parent);
}

std::optional<std::wstring> ChildTemporaryFolder::Remove() {
  if (!held_) return std::nullopt;
  const Deadline deadline = Deadline::In(kRemovalMs);
  std::size_t budget = kMostRemoved;
  const bool emptied = EmptyFolder(held_.get(), deadline, 0, budget);
  const bool removed = emptied && MarkForDeletion(held_.get());
  const DWORD error = GetLastError();
  held_.reset();
  if (removed) return std::nullopt;
  return Quoted(path_) + L" could not be removed" +
         (emptied ? L": " + DescribeWin32Error(error)
                  : std::wstring(L": something in it is still in use or could not be deleted"));
}

void SetTemporaryFolder(std::vector<wchar_t>& block, const std::wstring& folder) {
  std::vector<std::wstring> entries;
  for (std::size_t at = 0; at < block.size() && block[at] != L'\0';) {
    const std::wstring entry(&block[at]);
    at += entry.size() + 1;
    const std::wstring name = entry.substr(0, entry.find(L'=', 1));
    if (CompareStringOrdinal(name.c_str(), -1, L"TEMP", -1, TRUE) == CSTR_EQUAL ||
        CompareStringOrdinal(name.c_str(), -1, L"TMP", -1, TRUE) == CSTR_EQUAL) {
      continue;
    }
    entries.push_back(entry);
  }
  // Windows keeps a block sorted by name, without regard to case; the
  // drive entries ("=C:=...") stay first.
  for (const wchar_t* name : {L"TEMP", L"TMP"}) {
    const std::wstring entry = std::wstring(name) + L"=" + folder;
    auto at = entries.begin();
    while (at != entries.end() &&
           ((*at)[0] == L'=' ||
            CompareStringOrdinal(at->substr(0, at->find(L'=', 1)).c_str(), -1, name, -1, TRUE) ==
                CSTR_LESS_THAN)) {
      ++at;
    }
    entries.insert(at, entry);
  }
  block.clear();
  for (const std::wstring& entry : entries) {
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
}

}  // namespace tarnwell
