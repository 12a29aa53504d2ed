#include "win32_common/trusted_path.h"

#include <aclapi.h>
#include <sddl.h>

#include <tuple>

#include "core/texts/text.h"
#include "core/printer/command_line.h"
#include "win32_common/account_security.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

// NT SERVICE\TrustedInstaller, owner of Windows' own folders.
constexpr wchar_t kTrustedInstaller[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

std::wstring SidText(PSID sid) {
  UniqueLocal<wchar_t*> text;
  if (!ConvertSidToStringSidW(sid, text.put())) return L"an account that cannot be named";
  return text.get();
}

// The holder, and how a refusal names it: well-known groups by name, any
// other account by its SID (looking a name up may wait on a domain).
std::pair<Holder, std::wstring> HolderOf(PSID sid, const std::wstring& checking_account) {
  if (!sid || !IsValidSid(sid)) return {Holder::Other, L"an unreadable account"};
  const std::wstring text = SidText(sid);
  if (IsWellKnownSid(sid, WinLocalSystemSid)) return {Holder::System, L"SYSTEM"};
  if (IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) return {Holder::Administrators, L"Administrators"};
  if (text == kTrustedInstaller) return {Holder::TrustedInstaller, L"TrustedInstaller"};
  if (text == checking_account) return {Holder::CheckingAccount, text};
  if (IsWellKnownSid(sid, WinCreatorOwnerSid)) return {Holder::CreatorOwner, L"CREATOR OWNER"};
  if (IsWellKnownSid(sid, WinWorldSid)) return {Holder::Everyone, L"Everyone"};
  if (IsWellKnownSid(sid, WinAuthenticatedUserSid)) return {Holder::Other, L"Authenticated Users"};
  if (IsWellKnownSid(sid, WinBuiltinUsersSid)) return {Holder::Other, L"Users"};
  if (IsWellKnownSid(sid, WinInteractiveSid)) return {Holder::Other, L"Interactive"};
  return {Holder::Other, text};
}

EntryKind KindOf(BYTE type) {
  switch (type) {
    case ACCESS_ALLOWED_ACE_TYPE: return EntryKind::Allow;
    case ACCESS_DENIED_ACE_TYPE: return EntryKind::Deny;
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_ACE_TYPE:
    case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE: return EntryKind::OtherDeny;
    default: return EntryKind::OtherAllow;
  }
}

}  // namespace

std::optional<std::wstring> ReadAccess(HANDLE part, AccessList& list) {
  const std::wstring checking_account = CurrentAccountSid();
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetSecurityInfo(part, SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      &owner, nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) return DescribeWin32Error(error);
  const SecurityDescriptor hold(descriptor);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  list.is_protected = GetSecurityDescriptorControl(descriptor, &control, &revision) &&
                 (control & SE_DACL_PROTECTED);
  list.has_owner = owner != nullptr;
  std::tie(list.owner, list.owner_name) = HolderOf(owner, checking_account);
  list.has_list = dacl != nullptr;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return DescribeWin32Error(GetLastError());
    const auto* header = static_cast<ACE_HEADER*>(ace);
    AccessEntry entry;
    entry.kind = KindOf(header->AceType);
    entry.inherit_only = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    // Plain and callback entries keep the SID right after the mask; the
    // object kinds put GUIDs first.
    const BYTE type = header->AceType;
    if (type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_DENIED_ACE_TYPE ||
        type == ACCESS_ALLOWED_CALLBACK_ACE_TYPE || type == ACCESS_DENIED_CALLBACK_ACE_TYPE) {
      const auto* plain = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      entry.mask = plain->Mask;
      std::tie(entry.holder, entry.name) =
          HolderOf(const_cast<DWORD*>(&plain->SidStart), checking_account);
    } else {
      entry.name = L"an account (entry type " + std::to_wstring(type) + L")";
    }
    list.entries.push_back(std::move(entry));
  }
  return std::nullopt;
}

namespace {

struct Part {
  std::wstring path;
  bool folder;
  PathPlace place;
};

// Opens one part as itself, checks it is what it should be and that only
// trusted accounts may change it, and keeps it open in `held`.
std::optional<std::wstring> CheckPart(const Part& part, const Deadline& deadline,
                                      HeldPath& held) {
  const std::wstring shown = Quoted(part.path);
  BoundedOpen opened = CreateFileBefore(
      deadline, part.path, READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, OPEN_EXISTING,
      FILE_FLAG_OPEN_REPARSE_POINT | (part.folder ? FILE_FLAG_BACKUP_SEMANTICS : 0));
  if (opened.timed_out) return shown + L" could not be opened in time";
  if (!opened.file) return shown + L" could not be opened: " + DescribeWin32Error(opened.error);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(opened.file.get(), &info)) {
    return shown + L" could not be read: " + DescribeWin32Error(GetLastError());
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    return shown + L" is a link, junction or mount point";
  }
  if (part.folder != ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)) {
    return shown + (part.folder ? L" is not a folder" : L" is a folder");
  }
  AccessList list;
  if (const auto unreadable = ReadAccess(opened.file.get(), list)) {
    return L"the permissions of " + shown + L" could not be read: " + *unreadable;
  }
  if (const auto why = UnsafeAccess(list, part.place)) return shown + L" is not safe: " + *why;
  held.Add(std::move(opened.file));
  return std::nullopt;
}

// The files directly in `folder`, not its folders.
std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> files;
  WIN32_FIND_DATAW found{};
  const UniqueFind search(FindFirstFileW((folder + L"\\*").c_str(), &found));
  if (!search) return files;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      files.push_back(folder + L"\\" + found.cFileName);
    }
  } while (FindNextFileW(search.get(), &found));
  return files;
}

}  // namespace

std::optional<std::wstring> HoldIfOnlyTrustedMayChange(const std::wstring& program,
                                                       bool files_beside,
                                                       const Deadline& deadline, HeldPath& held) {
  if (!IsFullyQualified(program)) return Quoted(program) + L" is not a full path";
  // The drive's root, then every folder, outermost first.
  std::vector<Part> parts = {{program.substr(0, 3), true, PathPlace::FolderAbove}};
  for (std::size_t i = 3; i < program.size(); ++i) {
    const wchar_t c = program[i];
    if (c != L'\\' && c != L'/') continue;
    const std::wstring folder = program.substr(0, i);
    const std::wstring name = folder.substr(folder.find_last_of(L"\\/") + 1);
    if (name.empty() || name == L"." || name == L"..") {
      return Quoted(program) + L" is not a plain path";
    }
    parts.push_back({folder, true, PathPlace::FolderAbove});
  }
  if (parts.size() < 2) return Quoted(program) + L" is not in a folder";
  parts.back().place = PathPlace::ProgramOrPackage;
  parts.push_back({program, false, PathPlace::ProgramOrPackage});
  for (const Part& part : parts) {
    if (auto why = CheckPart(part, deadline, held)) return why;
  }
  if (!files_beside) return std::nullopt;
  const std::wstring folder = parts[parts.size() - 2].path;
  for (const std::wstring& file : FilesIn(folder)) {
    if (file == program) continue;
    if (auto why = CheckPart({file, false, PathPlace::ProgramOrPackage}, deadline, held)) {
      return why;
    }
  }
  return std::nullopt;
}

}  // namespace tarnwell
