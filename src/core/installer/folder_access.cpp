#include "core/installer/folder_access.h"

#include <array>
#include <utility>

namespace tarnwell {
namespace {

namespace right {
constexpr std::uint32_t kWriteData = 0x2;        // a folder: add a file
constexpr std::uint32_t kAppendData = 0x4;       // a folder: add a folder
constexpr std::uint32_t kWriteEa = 0x10;         // extended attributes
constexpr std::uint32_t kDeleteChild = 0x40;
constexpr std::uint32_t kWriteAttributes = 0x100;
constexpr std::uint32_t kDelete = 0x10000;
constexpr std::uint32_t kWriteDac = 0x40000;
constexpr std::uint32_t kWriteOwner = 0x80000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
}  // namespace right

constexpr std::array<std::pair<std::uint32_t, const wchar_t*>, 10> kRightNames = {{
    {right::kGenericAll, L"do anything with it"},
    {right::kGenericWrite, L"write to it"},
    {right::kWriteData, L"write to it"},
    {right::kAppendData, L"append to it"},
    {right::kDelete, L"delete it"},
    {right::kDeleteChild, L"delete what it holds"},
    {right::kWriteDac, L"change its permissions"},
    {right::kWriteOwner, L"take ownership of it"},
    {right::kWriteAttributes, L"change its attributes"},
    {right::kWriteEa, L"change its extended attributes"},
}};

// Every right Windows counts as writing. Changing attributes includes
// setting a reparse point, which turns an empty folder into a junction.
constexpr std::uint32_t kChangesAnything =
    right::kGenericAll | right::kGenericWrite | right::kWriteData | right::kAppendData |
    right::kWriteEa | right::kDelete | right::kDeleteChild | right::kWriteAttributes |
    right::kWriteDac | right::kWriteOwner;
constexpr std::uint32_t kChangesThePath = right::kGenericAll | right::kDelete |
                                          right::kDeleteChild | right::kWriteAttributes |
                                          right::kWriteDac | right::kWriteOwner;

bool MayOwn(Holder holder) {
  return holder == Holder::System || holder == Holder::Administrators ||
         holder == Holder::TrustedInstaller || holder == Holder::CheckingAccount;
}

bool MayChange(const AccessEntry& entry) {
  return MayOwn(entry.holder) || (entry.holder == Holder::CreatorOwner && entry.inherit_only);
}

// Whether the check reads `entry` at `place`: a folder further up matters
// for what it grants on itself, the program's folder for what new children
// get too.
bool Applies(const AccessEntry& entry, PathPlace place) {
  return !(entry.inherit_only && place == PathPlace::FolderAbove);
}

bool PassesOn(const AccessEntry& entry) { return entry.to_files || entry.to_folders; }

// Whether the deny entry `denied` reaches every object `allowed` reaches
// that the check looks at: the folder itself, and at the program's folder
// the children made later (as far down as `allowed` goes).
bool Reaches(const AccessEntry& denied, const AccessEntry& allowed, PathPlace place) {
  if (!allowed.inherit_only && denied.inherit_only) return false;
  if (place == PathPlace::FolderAbove || !PassesOn(allowed)) return true;
  return (!allowed.to_files || denied.to_files) && (!allowed.to_folders || denied.to_folders) &&
         (allowed.one_level || !denied.one_level);
}

// The rights the deny entries read before `allowed` take from it: those for
// the same holder, or for Everyone, that reach as far as it does. A deny
// entry after it takes nothing: Windows has granted the rights by then.
std::uint32_t DeniedBefore(const AccessList& list, const AccessEntry& allowed, PathPlace place) {
  std::uint32_t denied = 0;
  for (const AccessEntry& entry : list.entries) {
    if (&entry == &allowed) break;
    if (entry.kind != EntryKind::Deny || !Reaches(entry, allowed, place)) continue;
    if (entry.holder == Holder::Everyone || entry.name == allowed.name) denied |= entry.mask;
  }
  return denied;
}

std::wstring What(std::uint32_t rights) {
  for (const auto& [bit, what] : kRightNames) {
    if (rights & bit) return what;
  }
  return L"change it";
}

}  // namespace

std::optional<std::wstring> UnsafeAccess(const AccessList& list, PathPlace place) {
  if (!list.has_owner) return std::wstring(L"it has no owner");
  if (!MayOwn(list.owner)) return L"it is owned by " + list.owner_name;
  if (!list.has_list) return std::wstring(L"it has no access list, so everyone may change it");
  const std::uint32_t watched =
      place == PathPlace::ProgramOrPackage ? kChangesAnything : kChangesThePath;
  for (const AccessEntry& entry : list.entries) {
    if (!Applies(entry, place)) continue;
    if (entry.kind == EntryKind::OtherAllow) {
      return L"an access entry for " + entry.name +
             L" is of a kind this check does not read, and may grant anything";
    }
    if (entry.kind != EntryKind::Allow || MayChange(entry)) continue;
    const std::uint32_t risky = entry.mask & watched & ~DeniedBefore(list, entry, place);
    if (risky) return entry.name + L" may " + What(risky);
  }
  return std::nullopt;
}

std::optional<std::wstring> UnusableLogFolder(const AccessList& list, bool made_now) {
  if (!list.has_owner) return std::wstring(L"it has no owner");
  if (list.owner != Holder::System && list.owner != Holder::Administrators &&
      list.owner != Holder::CheckingAccount) {
    return L"it is owned by " + list.owner_name;
  }
  if (!made_now && !list.is_protected) {
    return std::wstring(L"it inherits permissions from the folder above");
  }
  return UnsafeAccess(list, PathPlace::ProgramOrPackage);
}

}  // namespace tarnwell
