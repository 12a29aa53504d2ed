#include "log_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <ntsecapi.h>
#include <sddl.h>

#include <memory>

#include "core/texts/text.h"
#include "core/installer/folder_access.h"
#include "win32_common/account_security.h"
#include "win32_common/files.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

// Only LocalSystem and the Administrators group, for the folder and
// everything made in it; nothing inherited from above.
constexpr wchar_t kLogFolderAccess[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// New names tried before the step gives up on a folder of its own.
constexpr int kFreshNameTries = 4;

std::wstring Parent(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }
std::wstring NameOf(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

// "<name>-<16 random hex digits>": nobody can make it in advance.
std::optional<std::wstring> FreshName(const std::wstring& folder) {
  unsigned char random[8];
  if (!RtlGenRandom(random, sizeof random)) return std::nullopt;
  std::wstring name = folder + L"-";
  for (const unsigned char byte : random) {
    name += L"0123456789abcdef"[byte >> 4];
    name += L"0123456789abcdef"[byte & 0xF];
  }
  return name;
}

// Why the folder `opened` is open on may not hold the log; nothing when it
// may: anything but a plain folder LocalSystem or the Administrators made
// may have been made, or prepared, by another account.
std::optional<std::wstring> UnusableFolder(HANDLE opened, bool made_now) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(opened, &info)) return DescribeWin32Error(GetLastError());
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::wstring(L"it is not a folder");
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return std::wstring(L"it is a link, junction or mount point");
  }
  AccessList list;
  if (auto unreadable = ReadAccess(opened, list)) return unreadable;
  return UnusableLogFolder(list, made_now);
}

// A log file already in a usable folder: written only if it is a plain file
// a trusted account owns, with one name.
std::optional<std::wstring> UnusableFile(HANDLE opened) {
  if (!IsOrdinaryDiskFile(opened)) return std::wstring(L"it is not a plain file");
  if (!HasTrustedOwner(opened, SE_FILE_OBJECT)) return std::wstring(L"another account owns it");
  return std::nullopt;
}

// A folder made, or found there, and opened as itself.
struct MadeAndOpened {
  bool made = false;
  DWORD make_error = 0;
  BoundedOpen opened;
};

class LogFolderMaker {
 public:
  LogFolderMaker(const Deadline& deadline, StepLog& log) : deadline_(deadline), log_(log) {}

  bool Init() {
    SecurityDescriptor descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kLogFolderAccess, SDDL_REVISION_1,
                                                              descriptor.put(), nullptr)) {
      return false;
    }
    descriptor_ = Shared(std::move(descriptor));
    return true;
  }

  // `folder` made now, or found usable; held. Why not otherwise.
  std::optional<std::wstring> MakeOrUse(const std::wstring& folder) {
    MadeAndOpened folder_there = MakeAndOpen(folder);
    if (!folder_there.opened.timed_out && !folder_there.made &&
        folder_there.make_error != ERROR_ALREADY_EXISTS) {
      return L"it could not be made: " + DescribeWin32Error(folder_there.make_error);
    }
    return Hold(folder_there);
  }

  std::optional<std::wstring> Hold(MadeAndOpened& folder) {
    if (folder.opened.timed_out) return std::wstring(L"it could not be opened in time");
    if (!folder.opened.file) {
      return L"it could not be opened: " + DescribeWin32Error(folder.opened.error);
    }
    if (auto why = UnusableFolder(folder.opened.file.get(), folder.made)) return why;
    log_.held.Add(std::move(folder.opened.file));
    return std::nullopt;
  }

  // `folder`, or a new folder beside it when another account may have made
  // or prepared it. The folder used; none when no folder could be.
  std::optional<std::wstring> FolderFor(const std::wstring& folder) {
    const auto why = MakeOrUse(folder);
    if (!why) return folder;
    log_.notes.push_back(L"The log folder " + Quoted(folder) + L" is not used: " + *why + L".");
    return FreshFolderBeside(folder);
  }

  // Only a folder this call makes is taken: an existing one is not ours.
  std::optional<std::wstring> FreshFolderBeside(const std::wstring& folder) {
    for (int attempt = 0; attempt < kFreshNameTries; ++attempt) {
      const std::optional<std::wstring> fresh = FreshName(folder);
      if (!fresh) break;
      MadeAndOpened made = MakeAndOpen(*fresh);
      if (made.opened.timed_out) {
        log_.notes.push_back(L"A new log folder beside it could not be made in time.");
        return std::nullopt;
      }
      if (!made.made) {
        if (made.make_error == ERROR_ALREADY_EXISTS) continue;
        log_.notes.push_back(L"A new log folder beside it could not be made: " +
                             DescribeWin32Error(made.make_error) + L".");
        return std::nullopt;
      }
      if (const auto why = Hold(made)) {
        log_.notes.push_back(L"The new log folder " + Quoted(*fresh) + L" is not used: " + *why +
                             L".");
        return std::nullopt;
      }
      log_.notes.push_back(L"This step uses the new log folder " + Quoted(*fresh) +
                           L" instead.");
      return fresh;
    }
    log_.notes.push_back(L"No new log folder could be made beside it.");
    return std::nullopt;
  }

  // Both on the worker, within the deadline: even making a folder opens
  // the folder it goes in, which another account may hold up.
  MadeAndOpened MakeAndOpen(const std::wstring& folder) {
    struct Made {
      bool made = false;
      DWORD error = 0;
    };
    auto made = std::make_shared<Made>();
    MadeAndOpened result;
    result.opened = OpenBefore(deadline_, [folder, descriptor = descriptor_, made] {
      SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
      made->made = CreateDirectoryW(folder.c_str(), &attributes);
      made->error = made->made ? ERROR_SUCCESS : GetLastError();
      if (!made->made && made->error != ERROR_ALREADY_EXISTS) return INVALID_HANDLE_VALUE;
      return CreateFileW(folder.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                         nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    });
    // Read only once the worker is done with it.
    if (!result.opened.timed_out) {
      result.made = made->made;
      result.make_error = made->error;
    }
    return result;
  }

  // Whether a file of that name in a usable folder may be written; a new
  // one is made by the program itself.
  std::optional<std::wstring> UnusableLogFile(const std::wstring& file) {
    BoundedOpen opened = CreateFileBefore(deadline_, file, READ_CONTROL | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT);
    if (opened.timed_out) return std::wstring(L"it could not be opened in time");
    if (!opened.file) {
      if (opened.error == ERROR_FILE_NOT_FOUND) return std::nullopt;
      return L"it could not be opened: " + DescribeWin32Error(opened.error);
    }
    return UnusableFile(opened.file.get());
  }

 private:
  const Deadline& deadline_;
  StepLog& log_;
  std::shared_ptr<void> descriptor_;  // shared with workers that may outlive a call
};

}  // namespace

StepLog PrepareStepLog(const std::wstring& wanted, const Deadline& deadline) {
  StepLog log;
  LogFolderMaker maker(deadline, log);
  if (!maker.Init()) {
    log.notes.push_back(L"The log folder's permissions could not be made: " +
                        DescribeWin32Error(GetLastError()) + L".");
    return log;
  }
  const std::wstring logs = Parent(wanted);
  const std::optional<std::wstring> product = maker.FolderFor(Parent(logs));
  if (!product) return log;
  const std::wstring logs_there = *product + L"\\" + NameOf(logs);
  std::optional<std::wstring> folder = maker.FolderFor(logs_there);
  if (!folder) return log;
  std::wstring file = *folder + L"\\" + NameOf(wanted);
  if (const auto why = maker.UnusableLogFile(file)) {
    // Nothing is deleted in a folder another account may once have held.
    log.notes.push_back(L"The log file " + Quoted(file) + L" is not used: " + *why + L".");
    folder = maker.FreshFolderBeside(*folder);
    if (!folder) return log;
    file = *folder + L"\\" + NameOf(wanted);
  }
  log.file = file;
  return log;
}

}  // namespace tarnwell
