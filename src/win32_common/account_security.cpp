#include "win32_common/account_security.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "core/port/run_error.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

std::vector<std::uint8_t> TokenInformation(TOKEN_INFORMATION_CLASS kind) {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
  DWORD size = 0;
  GetTokenInformation(token.get(), kind, nullptr, 0, &size);
  std::vector<std::uint8_t> buffer(size);
  if (size == 0 || !GetTokenInformation(token.get(), kind, buffer.data(), size, &size)) return {};
  return buffer;
}

PSID UserOf(std::vector<std::uint8_t>& token_user) {
  return token_user.empty() ? nullptr : reinterpret_cast<TOKEN_USER*>(token_user.data())->User.Sid;
}

bool InAdministrators() {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof(sid);
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
         CheckTokenMembership(nullptr, sid, &member) && member;
}

}  // namespace

std::wstring CurrentAccountSid() {
  std::vector<std::uint8_t> user = TokenInformation(TokenUser);
  UniqueLocal<wchar_t*> text;
  if (!UserOf(user) || !ConvertSidToStringSidW(UserOf(user), text.put())) return {};
  return text.get();
}

bool RunsElevatedOrAsLocalSystem() {
  std::vector<std::uint8_t> user = TokenInformation(TokenUser);
  if (UserOf(user) && IsWellKnownSid(UserOf(user), WinLocalSystemSid)) return true;
  return InAdministrators();
}

bool IsTrustedOwner(PSID owner) {
  if (!owner || !IsValidSid(owner)) return false;
  if (IsWellKnownSid(owner, WinLocalSystemSid) ||
      IsWellKnownSid(owner, WinBuiltinAdministratorsSid)) {
    return true;
  }
  std::vector<std::uint8_t> user = TokenInformation(TokenUser);
  if (UserOf(user) && EqualSid(owner, UserOf(user))) return true;
  // What this account makes is owned by its token's default owner (its
  // user, the Administrators group, or under Wine its primary group).
  std::vector<std::uint8_t> made = TokenInformation(TokenOwner);
  return !made.empty() && EqualSid(owner, reinterpret_cast<TOKEN_OWNER*>(made.data())->Owner);
}

bool HasTrustedOwner(HANDLE object, int type) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, static_cast<SE_OBJECT_TYPE>(type), OWNER_SECURITY_INFORMATION,
                      &owner, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const SecurityDescriptor held(descriptor);
  return IsTrustedOwner(owner);
}

SecurityDescriptor TrustedAccountsDescriptor(const std::wstring& full, const std::wstring& others) {
  const std::wstring self = CurrentAccountSid();
  if (self.empty()) ThrowLastError();
  const std::wstring text = L"D:P(A;;" + full + L";;;SY)(A;;" + full + L";;;BA)(A;;" + full +
                            L";;;" + self + L")" + others;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    ThrowLastError();
  }
  return SecurityDescriptor(descriptor);
}

}  // namespace tarnwell
