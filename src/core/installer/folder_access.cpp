#include "core/installer/folder_access.h"

#include <array>
#include <utility>

namespace tarnwell {
namespace {

namespace right {
constexpr std::uint32_t kWriteData = 0x2;        // a folder: add a file
constexpr std::uint32_t kAppendData = 0x4;       // a folder: add a folder
constexpr std::uint32_t kDeleteChild = 0x40;
constexpr std::uint32_t kDelete = 0x10000;
constexpr std::uint32_t kWriteDac = 0x40000;
constexpr std::uint32_t kWriteOwner = 0x80000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
}  // namespace right

constexpr std::array<std::pair<std::uint32_t, const wchar_t*>, 8> kRightNames = {{
    {right::kGenericAll, L"do anything with it"},
    {right::kGenericWrite, L"write to it"},
    {right::kWriteData, L"write to it"},
    {right::kAppendData, L"append to it"},
    {right::kDelete, L"delete it"},
    {right::kDeleteChild, L"delete what it holds"},
    {right::kWriteDac, L"change its permissions"},
    {right::kWriteOwner, L"take ownership of it"},
}};

constexpr std::uint32_t kChangesAnything = right::kGenericAll | right::kGenericWrite |
                                           right::kWriteData | right::kAppendData |
                                           right::kDelete | right::kDeleteChild |
                                           right::kWriteDac | right::kWriteOwner;
constexpr std::uint32_t kChangesThePath = right::kGenericAll | right::kDelete |
                                          right::kDeleteChild | right::kWriteDac |
                                          right::kWriteOwner;

constexpr std::array<Trustee, 4> kBroad = {Trustee::Everyone, Trustee::AuthenticatedUsers,
                                           Trustee::Users, Trustee::Interactive};

const wchar_t* Name(Trustee trustee) {
  switch (trustee) {
    case Trustee::Everyone: return L"Everyone";
    case Trustee::AuthenticatedUsers: return L"Authenticated Users";
    case Trustee::Users: return L"Users";
    case Trustee::Interactive: return L"Interactive";
    case Trustee::Other: break;
  }
  return L"another account";
}

// What `trustee` is granted, the entries read in order: a deny entry for the
// group itself or for Everyone takes its rights away from later allow entries.
std::uint32_t Granted(const AccessList& list, Trustee trustee) {
  std::uint32_t denied = 0;
  std::uint32_t granted = 0;
  for (const AccessEntry& entry : list.entries) {
    if (entry.inherit_only) continue;
    if (entry.trustee != trustee && !(entry.trustee == Trustee::Everyone && !entry.allow)) continue;
    if (entry.allow) {
      granted |= entry.mask & ~denied;
    } else {
      denied |= entry.mask;
    }
  }
  return granted;
}

}  // namespace

std::optional<std::wstring> UnsafeAccess(const AccessList& list, PathPlace place) {
  if (!list.has_list) return std::wstring(L"it has no access list, so everyone may change it");
  for (const Trustee trustee : kBroad) {
    if (list.owner == trustee) return std::wstring(Name(trustee)) + L" own it";
  }
  const std::uint32_t watched =
      place == PathPlace::ProgramOrPackage ? kChangesAnything : kChangesThePath;
  for (const Trustee trustee : kBroad) {
    const std::uint32_t risky = Granted(list, trustee) & watched;
    if (!risky) continue;
    for (const auto& [bit, what] : kRightNames) {
      if (risky & bit) return std::wstring(Name(trustee)) + L" may " + what;
    }
  }
  return std::nullopt;
}

}  // namespace tarnwell
