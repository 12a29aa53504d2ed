#include "win32_common/trusted_path.h"

#include <cstdint>

#include "core/printer/command_line.h"
#include "core/texts/text.h"
#include "win32_common/file_holders.h"
#include "win32_common/folder_listing.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

struct Part {
  std::wstring path;
  bool folder;
  PathPlace place;
};

constexpr DWORD kFileAccess =
    FILE_READ_DATA | FILE_EXECUTE | READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kFolderAccess =
    FILE_LIST_DIRECTORY | READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

// Opens one part as itself, checks it is what it should be and that only
// trusted accounts may change it, and keeps it open in `held` (`until_start`:
// only until the program has started); `opened` then names the handle.
// A part another program keeps from us for now: not unsafe, only busy.
// Restart Manager names what holds it, where it can.
PathRefusal InUse(const std::wstring& path, const wchar_t* what, DWORD error) {
  return {Quoted(path) + what + L" (Windows: " + DescribeWin32Error(error) + L")" +
              HoldersOf(path),
          true, path};
}

std::optional<PathRefusal> CheckPart(const Part& part, const Deadline& deadline,
                                     HeldPath& held, bool until_start = false,
                                     HANDLE* opened = nullptr) {
  const std::wstring shown = Quoted(part.path);
  if (deadline.Remaining() == 0) {
    return InUse(part.path, L" could not be checked in time: another program held up the check",
                 ERROR_TIMEOUT);
  }
  BoundedOpen open = CreateFileBefore(
      deadline, part.path, part.folder ? kFolderAccess : kFileAccess,
      part.folder ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ, OPEN_EXISTING,
      FILE_FLAG_OPEN_REPARSE_POINT | (part.folder ? FILE_FLAG_BACKUP_SEMANTICS : 0));
  if (open.timed_out) {
    return InUse(part.path, L" could not be opened in time: another program is holding it up",
                 ERROR_TIMEOUT);
  }
  // The check's handle only reads; a sharing violation means another
  // program has the file open in a way that cannot share that (to write or
  // delete it, or with no sharing at all): it is busy, not unsafe.
  if (open.error == ERROR_SHARING_VIOLATION) {
    return InUse(part.path, L" is in use by another program", ERROR_SHARING_VIOLATION);
  }
  if (!open.file) {
    return PathRefusal{shown + L" could not be opened: " + DescribeWin32Error(open.error)};
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(open.file.get(), &info)) {
    return PathRefusal{shown + L" could not be read: " + DescribeWin32Error(GetLastError())};
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return PathRefusal{shown + L" is a link, junction or mount point"};
  }
  if (part.folder != ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)) {
    return PathRefusal{shown + (part.folder ? L" is not a folder" : L" is a folder")};
  }
  AccessList list;
  if (const auto unreadable = ReadAccess(open.file.get(), list)) {
    return PathRefusal{L"the permissions of " + shown + L" could not be read: " + *unreadable};
  }
  if (const auto why = UnsafeAccess(list, part.place)) {
    return PathRefusal{shown + L" is not safe: " + *why};
  }
  if (opened) *opened = open.file.get();
  held.Add(std::move(open.file), until_start);
  return std::nullopt;
}

// Checks and holds everything below `root` (held already as `root_handle`),
// folder by folder, each listed through its own held handle.
std::optional<PathRefusal> CheckTree(const std::wstring& root, HANDLE root_handle,
                                     bool until_start, const Deadline& deadline,
                                     HeldPath& held) {
  std::vector<std::pair<std::wstring, HANDLE>> pending = {{root, root_handle}};
  std::size_t seen = 0;
  while (!pending.empty()) {
    const auto [folder, handle] = pending.back();
    pending.pop_back();
    std::vector<FolderEntry> entries;
    bool over = false;
    if (const DWORD error = ListOpenFolder(handle, kMostTreeEntries - seen, entries, over)) {
      return PathRefusal{Quoted(folder) + L" could not be listed: " + DescribeWin32Error(error)};
    }
    if (over) {
      return PathRefusal{Quoted(root) + L" holds more than " + std::to_wstring(kMostTreeEntries) +
                         L" files and folders, more than this check reads"};
    }
    seen += entries.size();
    for (const FolderEntry& entry : entries) {
      const std::wstring path = folder + L"\\" + entry.name;
      // Windows paths drop a final dot or blank: such a name would lead to
      // another file than the one listed.
      if (entry.name.back() == L'.' || entry.name.back() == L' ') {
        return PathRefusal{Quoted(path) + L" has a name a path cannot name"};
      }
      HANDLE opened = nullptr;
      if (auto why = CheckPart({path, entry.folder, PathPlace::ProgramOrPackage}, deadline, held,
                               until_start, &opened)) {
        return why;
      }
      if (entry.folder) pending.emplace_back(path, opened);
    }
  }
  return std::nullopt;
}

bool OnNetwork(const std::wstring& path) {
  if (path.rfind(L"\\\\", 0) == 0 || path.rfind(L"//", 0) == 0) return true;
  return IsFullyQualified(path) && GetDriveTypeW(path.substr(0, 3).c_str()) == DRIVE_REMOTE;
}

// The drive's root, then every folder down to `path`, then `path` itself
// (a file unless `folder`), or why the path cannot be checked.
std::optional<std::wstring> PartsOf(const std::wstring& path, bool folder,
                                    std::vector<Part>& parts) {
  if (OnNetwork(path)) {
    return Quoted(path) + L" is on a network share, whose permissions cannot be checked from "
                          L"here: copy the folder to a local disk, or use the package";
  }
  if (!IsFullyQualified(path)) return Quoted(path) + L" is not a full path";
  parts = {{path.substr(0, 3), true, PathPlace::FolderAbove}};
  for (std::size_t i = 3; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != L'\\' && path[i] != L'/') continue;
    const std::wstring part = path.substr(0, i);
    const std::wstring name = part.substr(part.find_last_of(L"\\/") + 1);
    if (name.empty() && i == path.size() && folder) break;  // "C:\Folder\"
    if (name.empty() || name == L"." || name == L"..") {
      return Quoted(path) + L" is not a plain path";
    }
    parts.push_back({part, true, PathPlace::FolderAbove});
  }
  parts.back().folder = folder;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    parts[i].place = PlaceOfPart(i, parts.size(), folder ? 1 : 2);
  }
  return std::nullopt;
}

// The program's folder holds, besides the program, what the program loads
// or starts; with a tree to hold, every file and folder below it is checked
// and held too. A program that removes its own tree gets it back once it
// has started; the folders above stay held.
std::optional<PathRefusal> CheckAndHold(const std::wstring& program, ProgramTree tree,
                                        const Deadline& deadline, HeldPath& held) {
  std::vector<Part> parts;
  if (auto why = PartsOf(program, false, parts)) return PathRefusal{*why};
  if (parts.size() < 3) return PathRefusal{Quoted(program) + L" is not in a folder"};
  const bool removed = tree == ProgramTree::kRemovedByIt;
  HANDLE folder = nullptr;
  HANDLE file = nullptr;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool own = i + 2 >= parts.size();
    HANDLE* const opened =
        i + 2 == parts.size() ? &folder : (i + 1 == parts.size() ? &file : nullptr);
    if (auto why = CheckPart(parts[i], deadline, held, own && removed, opened)) return why;
  }
  held.NameProgram(program, file, removed);
  if (tree == ProgramTree::kProgramOnly) return std::nullopt;
  return CheckTree(parts[parts.size() - 2].path, folder, removed, deadline, held);
}

}  // namespace

std::optional<PathRefusal> HoldIfOnlyTrustedMayChange(const std::wstring& program,
                                                      ProgramTree tree, const Deadline& deadline,
                                                      HeldPath& held) {
  auto why = CheckAndHold(program, tree, deadline, held);
  if (why) held.Release();
  return why;
}

std::optional<std::wstring> CheckFolderToLoadFrom(const std::wstring& folder,
                                                  const Deadline& deadline) {
  std::vector<Part> parts;
  if (auto why = PartsOf(folder, true, parts)) return why;
  HeldPath held;
  for (const Part& part : parts) {
    if (auto why = CheckPart(part, deadline, held)) return why->why;
  }
  return std::nullopt;
}

}  // namespace tarnwell
