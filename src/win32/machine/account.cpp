// Who this process runs as, and a steady clock: what the unattended mode
// writes into its log and how it decides about the default printer.
#include "win32/machine/machine.h"

#include <vector>

#include "win32_common/scoped_handle.h"

namespace tarnwell {
namespace {

// The token's user, or an empty buffer when it cannot be read.
std::vector<std::uint8_t> TokenUser() {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
  DWORD size = 0;
  GetTokenInformation(token.get(), ::TokenUser, nullptr, 0, &size);
  std::vector<std::uint8_t> buffer(size);
  if (size == 0 || !GetTokenInformation(token.get(), ::TokenUser, buffer.data(), size, &size)) {
    return {};
  }
  return buffer;
}

}  // namespace

std::wstring Win32Machine::AccountName() {
  const std::vector<std::uint8_t> user = TokenUser();
  if (user.empty()) return L"(unknown account)";
  const PSID sid = reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
  wchar_t name[256];
  wchar_t domain[256];
  DWORD name_size = 256;
  DWORD domain_size = 256;
  SID_NAME_USE use;
  if (!LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use)) {
    return L"(unknown account)";
  }
  return std::wstring(domain) + L"\\" + name;
}

bool Win32Machine::RunsAsLocalSystem() {
  const std::vector<std::uint8_t> user = TokenUser();
  return !user.empty() &&
         IsWellKnownSid(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid,
                        WinLocalSystemSid);
}

std::uint64_t Win32Machine::SteadyMilliseconds() { return GetTickCount64(); }

}  // namespace tarnwell
