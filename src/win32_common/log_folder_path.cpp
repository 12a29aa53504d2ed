#include "win32_common/log_folder_path.h"

#include <ntsecapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdint>
#include <memory>

#include "core/installer/log_folder_rule.h"
#include "core/texts/text.h"
#include "win32_common/account_security.h"
#include "win32_common/folder_listing.h"
#include "win32_common/relative_open.h"
#include "win32_common/trusted_path.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

// Listing takes part in sharing, so a held folder refuses every open that
// asks to delete it, and so its rename, for as long as it is held.
constexpr DWORD kHoldAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | READ_CONTROL |
                              FILE_READ_ATTRIBUTES;
constexpr DWORD kHoldSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
// New names tried before a folder is given up on.
constexpr int kFreshNameTries = 4;
// What judging a name asks: its owner, list and attributes. Such an open
// takes no part in sharing, so a holder can neither refuse it nor make it
// wait for an oplock's break.
constexpr DWORD kJudgeAccess = READ_CONTROL | FILE_READ_ATTRIBUTES;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The bound of the walk to a fresh folder once a name was found held: the
// wait on the held name may have used up the first bound.
constexpr DWORD kFreshWalkMs = 5000;

// Why the folder `opened` is open on may not be used in `role`; nothing
// when it may.
std::optional<std::wstring> Unusable(HANDLE opened, LogFolderRole role) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(opened, &info)) return DescribeWin32Error(GetLastError());
  AccessList list;
  if (auto unreadable = ReadAccess(opened, list)) {
    return L"its permissions could not be read: " + *unreadable;
  }
  return UnusableLogPathFolder((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                               (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0, list,
                               role);
}

// `name` in `folder`, which may end in a separator (a drive's root does).
std::wstring InFolder(const std::wstring& folder, const std::wstring& name) {
  const wchar_t last = folder.empty() ? L'\\' : folder.back();
  return folder + (last == L'\\' || last == L'/' ? L"" : L"\\") + name;
}

// An open that finds the name taken by what may not be used: a file, or a
// folder this account may not open, or one another process holds.
bool NameIsTaken(DWORD error) {
  return error == ERROR_DIRECTORY || error == ERROR_ACCESS_DENIED ||
         error == ERROR_SHARING_VIOLATION || error == ERROR_CANT_ACCESS_FILE;
}

// The names in the folder `folder` is open on that have the form of a fresh
// folder made in place of `name`, read through that handle, sorted; at most
// kMostListed entries are read, so a folder another account filled with
// names costs a bounded time.
constexpr std::size_t kMostListed = 20000;
std::vector<std::wstring> FreshNamesIn(HANDLE folder, const std::wstring& name) {
  std::vector<FolderEntry> entries;
  bool over = false;
  ListOpenFolder(folder, kMostListed, entries, over);  // what could be read is enough
  std::vector<std::wstring> found;
  for (const FolderEntry& entry : entries) {
    if (entry.folder && IsFreshLogFolderName(entry.name, name)) found.push_back(entry.name);
  }
  std::sort(found.begin(), found.end());
  return found;
}

class FolderWalk {
 public:
  FolderWalk(const Deadline& deadline, HeldLogFolder& log)
      : first_(deadline), deadline_(&first_), log_(log) {}
  FolderWalk(const FolderWalk&) = delete;
  FolderWalk& operator=(const FolderWalk&) = delete;

  bool Init() {
    SecurityDescriptor descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kTrustedOnlyFolderAccess, SDDL_REVISION_1,
                                                              descriptor.put(), nullptr)) {
      return Refuse(L"The log folder's permissions could not be made: " +
                    DescribeWin32Error(GetLastError()) + L".");
    }
    descriptor_ = Shared(std::move(descriptor));
    return true;
  }

  bool HoldRoot(const std::wstring& root, LogFolderRole role) {
    BoundedOpen opened =
        CreateFileBefore(*deadline_, root, kHoldAccess, kHoldSharing, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
    if (!opened.file) return Refuse(L"The log's drive or share " + Quoted(root) + Failed(opened));
    if (const auto why = Unusable(opened.file.get(), role)) {
      return Refuse(L"The log's drive or share " + Quoted(root) + L" is not safe: " + *why + L".");
    }
    Hold(std::move(opened.file), root);
    return true;
  }

  // `name` in the folder held last, made or found usable; or a fresh
  // folder beside it. Held either way; false with a refusal when neither.
  // The name is judged first through an open that shares everything and
  // asks only for its owner, list and attributes: no other handle's
  // sharing can refuse it, so no oplock's break is waited for. Only a name
  // that passes is opened to be held. Any answer but "not there" that
  // keeps the name from being held (a time-out, a sharing violation) means
  // another process holds it: the name is taken, and a fresh folder beside
  // it, with a bound of its own, is used.
  bool Enter(const std::wstring& name, LogFolderRole role) {
    const std::wstring path = PathOf(name);
    std::optional<std::wstring> why = Judge(name, role);
    BoundedOpen opened;
    if (!why) {
      opened = OpenInFolder(*deadline_, log_.folder(), name, OpenAs::Folder,
                            OpenMode::OpenOrCreate, kHoldAccess, kHoldSharing, descriptor_);
      if (opened.file) {
        why = Unusable(opened.file.get(), role);
      } else if (opened.timed_out) {
        why = std::wstring(L"another process held it open past the time allowed");
      } else if (NameIsTaken(opened.error)) {
        why = opened.error == ERROR_DIRECTORY ? std::wstring(L"it is not a folder")
                                              : L"it could not be held (Windows: " +
                                                    DescribeWin32Error(opened.error) + L")";
      } else {
        return Refuse(L"The log folder " + Quoted(path) + Failed(opened));
      }
    }
    if (!why) {
      Hold(std::move(opened.file), path);
      return true;
    }
    log_.notes.push_back(L"The log folder " + Quoted(path) + L" is not used: " + *why + L".");
    // The rest of the walk keeps this bound: the first may be spent.
    own_.emplace(Deadline::In(kFreshWalkMs));
    deadline_ = &*own_;
    return EnterFresh(name, role);
  }

  // The folder an earlier run made beside `name` when it too found the name
  // taken, while it passes the rule; else a folder this call makes. So a
  // name taken for good gives one fresh folder, not one per run. Anyone may
  // make a folder of that name where they can add folders, but only the
  // accounts the rule trusts can make one that passes it, so the name alone
  // earns nothing: each is opened as itself and judged through its handle.
  bool EnterFresh(const std::wstring& name, LogFolderRole role) {
    for (const std::wstring& earlier : FreshNamesIn(log_.folder(), name)) {
      if (deadline_->Remaining() == 0) break;
      BoundedOpen found = OpenInFolder(*deadline_, log_.folder(), earlier, OpenAs::Folder,
                                       OpenMode::Existing, kHoldAccess, kHoldSharing);
      if (!found.file || Unusable(found.file.get(), role)) continue;
      const std::wstring path = PathOf(earlier);
      Hold(std::move(found.file), path);
      log_.notes.push_back(L"The log folder " + Quoted(path) +
                           L", made by an earlier run, is used instead.");
      return true;
    }
    return EnterNew(name, role);
  }

  // A folder this call makes, beside `name`.
  bool EnterNew(const std::wstring& name, LogFolderRole role) {
    for (int attempt = 0; attempt < kFreshNameTries; ++attempt) {
      std::uint8_t random[8];
      if (!RtlGenRandom(random, sizeof random)) break;
      const std::wstring fresh = FreshLogFolderName(name, random);
      BoundedOpen made = OpenInFolder(*deadline_, log_.folder(), fresh, OpenAs::Folder,
                                      OpenMode::CreateNew, kHoldAccess, kHoldSharing, descriptor_);
      if (!made.file && !made.timed_out &&
          (made.error == ERROR_ALREADY_EXISTS || made.error == ERROR_FILE_EXISTS)) {
        continue;
      }
      const std::wstring path = PathOf(fresh);
      if (!made.file) return Refuse(L"The new log folder " + Quoted(path) + Failed(made));
      if (const auto why = Unusable(made.file.get(), role)) {
        return Refuse(L"The new log folder " + Quoted(path) + L" is not used: " + *why + L".");
      }
      Hold(std::move(made.file), path);
      log_.notes.push_back(L"The new log folder " + Quoted(path) + L" is used instead.");
      return true;
    }
    return Refuse(L"No new log folder could be made beside " + Quoted(PathOf(name)) + L".");
  }

  // Why the existing `name` may not be used; nothing when it may, or when
  // it is not there yet (the holding open makes it).
  std::optional<std::wstring> Judge(const std::wstring& name, LogFolderRole role) {
    BoundedOpen looked = OpenInFolder(*deadline_, log_.folder(), name, OpenAs::Folder,
                                      OpenMode::Existing, kJudgeAccess, kShareAll);
    if (looked.file) return Unusable(looked.file.get(), role);
    if (looked.timed_out) return std::wstring(L"another process held it up past the time allowed");
    if (looked.error == ERROR_DIRECTORY) return std::wstring(L"it is not a folder");
    if (NameIsTaken(looked.error)) {
      return L"it could not be opened (Windows: " + DescribeWin32Error(looked.error) + L")";
    }
    return std::nullopt;  // not there, or the holding open says why
  }

 private:
  static std::wstring Failed(const BoundedOpen& opened) {
    if (opened.timed_out) return L" could not be opened in time.";
    return L" could not be opened or made: " + DescribeWin32Error(opened.error) + L".";
  }

  std::wstring PathOf(const std::wstring& name) const {
    return InFolder(log_.held_paths.back(), name);
  }

  void Hold(UniqueFile folder, const std::wstring& path) {
    log_.held.push_back(std::move(folder));
    log_.held_paths.push_back(path);
  }

  bool Refuse(const std::wstring& why) {
    log_.refusal = why;
    log_.held.clear();
    log_.held_paths.clear();
    return false;
  }

  const Deadline& first_;
  std::optional<Deadline> own_;
  const Deadline* deadline_;  // first_, or own_ once a name was found held
  HeldLogFolder& log_;
  std::shared_ptr<void> descriptor_;  // shared with workers that may outlive a call
};

std::wstring FileIn(const HeldLogFolder& log, const std::wstring& name) {
  return InFolder(log.held_paths.back(), name);
}

// Whether `name` in the held folder `folder` is a folder, itself and not a
// link: asked through the held handle, so no link above can lead elsewhere.
bool IsPlainFolderIn(HANDLE folder, const std::wstring& name, const Deadline& deadline) {
  const BoundedOpen opened =
      OpenInFolder(deadline, folder, name, OpenAs::Folder, OpenMode::Existing,
                   FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  BY_HANDLE_FILE_INFORMATION info{};
  return opened.file && GetFileInformationByHandle(opened.file.get(), &info) &&
         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

HeldLogFolder HoldLogFolder(const std::wstring& file, const Deadline& deadline,
                            const std::wstring& name_in_folder) {
  HeldLogFolder log;
  FolderWalk walk(deadline, log);
  const std::optional<LogFileParts> parts = SplitLogFile(file);
  if (!parts) {
    log.refusal = L"The log path " + Quoted(file) + L" names no file in a folder.";
    return log;
  }
  if (!walk.Init()) return log;
  // With the last name possibly a folder, the folder holding it is judged
  // as one above until the answer is in.
  const bool ask = !name_in_folder.empty();
  const std::size_t count = parts->folders.size() + 1 + (ask ? 1 : 0);
  if (!walk.HoldRoot(parts->root, RoleOfPart(0, count))) return log;
  for (std::size_t i = 0; i < parts->folders.size(); ++i) {
    if (!walk.Enter(parts->folders[i], RoleOfPart(i + 1, count))) return log;
  }
  if (ask && IsPlainFolderIn(log.folder(), parts->name, deadline)) {
    if (!walk.Enter(parts->name, LogFolderRole::HoldsTheLog)) return log;
    log.file = FileIn(log, name_in_folder);
    return log;
  }
  log.file = FileIn(log, parts->name);
  if (ask) {
    if (const auto why = Unusable(log.folder(), LogFolderRole::HoldsTheLog)) {
      log.notes.push_back(L"The log folder " + Quoted(log.held_paths.back()) +
                          L" is not used: " + *why + L".");
      if (!UseFreshLogFolder(log, deadline)) log.refusal = log.notes.back();
    }
  }
  return log;
}

bool UseFreshLogFolder(HeldLogFolder& log, const Deadline& deadline) {
  if (log.held.size() < 2) {
    log.notes.push_back(L"No new log folder can be made in place of a drive or share.");
    return false;
  }
  const std::wstring folder = log.held_paths.back();
  const std::wstring name = folder.substr(folder.find_last_of(L"\\/") + 1);
  const std::wstring file = log.file.substr(log.file.find_last_of(L"\\/") + 1);
  log.held.pop_back();
  log.held_paths.pop_back();
  FolderWalk walk(deadline, log);
  if (!walk.Init() || !walk.EnterFresh(name, LogFolderRole::HoldsTheLog)) {
    log.notes.push_back(*log.refusal);
    return false;
  }
  log.file = FileIn(log, file);
  return true;
}

}  // namespace tarnwell
