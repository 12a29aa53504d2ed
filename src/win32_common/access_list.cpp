// Reading a file's or folder's owner and access list for the rule.
#include "win32_common/trusted_path.h"

#include <aclapi.h>
#include <sddl.h>

#include <tuple>

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
  if (IsWellKnownSid(sid, WinAnonymousSid)) return {Holder::AnonymousLogon, L"ANONYMOUS LOGON"};
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
    entry.to_files = (header->AceFlags & OBJECT_INHERIT_ACE) != 0;
    entry.to_folders = (header->AceFlags & CONTAINER_INHERIT_ACE) != 0;
    entry.one_level = (header->AceFlags & NO_PROPAGATE_INHERIT_ACE) != 0;
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

}  // namespace tarnwell
