#include "path_safety.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <memory>
#include <optional>
#include <vector>

#include "core/installer/folder_access.h"
#include "win32_common/account_security.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

// Only LocalSystem and the Administrators group, for the folder and
// everything made in it; nothing inherited from above.
constexpr wchar_t kLogFolderAccess[] = L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

struct LocalFreeDeleter {
  void operator()(void* memory) const { LocalFree(memory); }
};
using LocalMemory = std::unique_ptr<void, LocalFreeDeleter>;

Trustee TrusteeOf(PSID sid) {
  if (!sid || !IsValidSid(sid)) return Trustee::Other;
  if (IsWellKnownSid(sid, WinWorldSid)) return Trustee::Everyone;
  if (IsWellKnownSid(sid, WinAuthenticatedUserSid)) return Trustee::AuthenticatedUsers;
  if (IsWellKnownSid(sid, WinBuiltinUsersSid)) return Trustee::Users;
  if (IsWellKnownSid(sid, WinInteractiveSid)) return Trustee::Interactive;
  return Trustee::Other;
}

// The path's owner and access list as the file system keeps them; why they
// could not be read otherwise.
std::wstring ReadAccessList(const std::wstring& path, AccessList& list) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                            &owner, nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) return DescribeWin32Error(error);
  const LocalMemory hold(descriptor);
  list.owner = TrusteeOf(owner);
  list.has_list = dacl != nullptr;
  for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return DescribeWin32Error(GetLastError());
    const auto* header = static_cast<ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) {
      continue;
    }
    // Allowed and denied entries share one layout.
    const auto* entry = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    list.entries.push_back({header->AceType == ACCESS_ALLOWED_ACE_TYPE,
                            TrusteeOf(const_cast<DWORD*>(&entry->SidStart)), entry->Mask,
                            (header->AceFlags & INHERIT_ONLY_ACE) != 0});
  }
  return {};
}

bool Missing(const std::wstring& path) {
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// A path that is not there holds nothing to run (a missing program then
// fails to start, and a missing package folder is not needed for removal);
// whether it could be made is up to the folder above, which is checked.
std::wstring Check(const std::wstring& path, PathPlace place) {
  if (Missing(path)) return {};
  AccessList list;
  const std::wstring unreadable = ReadAccessList(path, list);
  if (!unreadable.empty()) {
    return L"the permissions of \"" + path + L"\" could not be read: " + unreadable;
  }
  const std::optional<std::wstring> why = UnsafeAccess(list, place);
  return why ? L"\"" + path + L"\" is not safe: " + *why + L"." : L"";
}

std::wstring Parent(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? L"" : path.substr(0, slash);
}

// A drive's root ("C:\"), or the path itself when it names one.
bool IsRoot(const std::wstring& path) { return path.size() <= 3; }

std::wstring AsFolder(const std::wstring& path) {
  return path.size() == 2 && path[1] == L':' ? path + L"\\" : path;
}

}  // namespace

std::wstring UnsafeProgramPath(const std::wstring& program, const std::wstring& package_folder) {
  std::vector<std::wstring> ours = {program, Parent(program), package_folder};
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((package_folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ours.push_back(package_folder + L"\\" + found.cFileName);
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  for (const std::wstring& path : ours) {
    const std::wstring why = Check(path, PathPlace::ProgramOrPackage);
    if (!why.empty()) return why;
  }
  for (std::wstring folder = Parent(Parent(program)); !folder.empty(); folder = Parent(folder)) {
    const std::wstring why = Check(AsFolder(folder), PathPlace::FolderAbove);
    if (!why.empty()) return why;
    if (IsRoot(AsFolder(folder))) break;
  }
  return {};
}

std::wstring SecureLogFolder(const std::wstring& log_file) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kLogFolderAccess, SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return DescribeWin32Error(GetLastError());
  }
  const LocalMemory hold(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  PSID owner = nullptr;
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);

  const std::wstring logs = Parent(log_file);
  for (const std::wstring& folder : {Parent(logs), logs}) {
    if (CreateDirectoryW(folder.c_str(), &attributes)) continue;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      return L"\"" + folder + L"\" could not be made: " + DescribeWin32Error(GetLastError());
    }
    // Made before, perhaps by someone else: it must be a real folder, and it
    // is taken over and given the access it should have.
    const DWORD attributes_found = GetFileAttributesW(folder.c_str());
    if (attributes_found == INVALID_FILE_ATTRIBUTES ||
        !(attributes_found & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes_found & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return L"\"" + folder + L"\" is not a plain folder.";
    }
    const DWORD error = SetNamedSecurityInfoW(
        const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
            PROTECTED_DACL_SECURITY_INFORMATION,
        owner, nullptr, dacl, nullptr);
    if (error != ERROR_SUCCESS) {
      return L"the access of \"" + folder + L"\" could not be set: " + DescribeWin32Error(error);
    }
  }
  // A log file owned by another account (left in a folder it made before)
  // is not written to: it goes, and the program makes its own.
  PSID file_owner = nullptr;
  PSECURITY_DESCRIPTOR file_descriptor = nullptr;
  if (GetNamedSecurityInfoW(log_file.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION,
                            &file_owner, nullptr, nullptr, nullptr,
                            &file_descriptor) == ERROR_SUCCESS) {
    const LocalMemory hold_file(file_descriptor);
    if (!IsTrustedOwner(file_owner) && !DeleteFileW(log_file.c_str())) {
      return L"\"" + log_file + L"\" belongs to another account and could not be removed: " +
             DescribeWin32Error(GetLastError());
    }
  }
  return {};
}

}  // namespace tarnwell
