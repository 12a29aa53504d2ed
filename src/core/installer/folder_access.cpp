#include "core/installer/folder_access.h"

#include <array>

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

// Each right the rule watches, how a refusal names it, and where it lets
// another account change what the path leads to. Only an empty folder can
// be made a junction (FSCTL_SET_REPARSE_POINT fails with
// STATUS_DIRECTORY_NOT_EMPTY on any other,
// https://learn.microsoft.com/windows-hardware/drivers/ifs/fsctl-set-reparse-point),
// and writing data or attributes are the two rights that let a reparse
// point be set
// (https://learn.microsoft.com/en-us/openspecs/windows_protocols/ms-fsa/4aeefef8-92c3-4abc-af7a-a610caf8a165).
// A folder above holds the next part of the path, which nobody else may
// delete or rename (deleting it and deleting what the folder holds are
// watched there), so it is never empty; and the log's walk opens each next
// part through the held handle of the folder above, never by name. So
// neither right changes a path through a folder above.
struct WatchedRight {
  std::uint32_t bit;
  bool at_program;  // PathPlace::ProgramOrPackage
  bool above;       // PathPlace::FolderAbove
  const wchar_t* what;
};
constexpr std::array<WatchedRight, 10> kRightNames = {{
    // Every right, deleting and taking over included.
    {right::kGenericAll, true, true, L"do anything with it"},
    // Writing data, attributes and extended attributes: see each below.
    {right::kGenericWrite, true, false, L"write to it"},
    // The program: change its code. Its folder: add a file it loads, or,
    // when the folder is empty, make it a junction.
    {right::kWriteData, true, false, L"write to it"},
    // The program: add to its code. Its folder: add a folder beside it.
    {right::kAppendData, true, false, L"append to it"},
    // Deleting or renaming a part puts another in its place; held parts
    // refuse it only while held, so it counts between runs too.
    {right::kDelete, true, true, L"delete it"},
    // The same, done from the folder above.
    {right::kDeleteChild, true, true, L"delete what it holds"},
    // Lets its holder grant itself every right above.
    {right::kWriteDac, true, true, L"change its permissions"},
    // Lets its holder take the object over, and then change its permissions.
    {right::kWriteOwner, true, true, L"take ownership of it"},
    // Sets a reparse point: turns a file or an empty folder of the program's
    // tree into a link. Not above: a folder there is never empty.
    {right::kWriteAttributes, true, false, L"change its attributes"},
    // Extended attributes of the program's own files are read by loaders
    // and filters this rule cannot list, so they count there. Above, they
    // change no path.
    {right::kWriteEa, true, false, L"change its extended attributes"},
}};

constexpr std::uint32_t Watched(bool WatchedRight::*place) {
  std::uint32_t mask = 0;
  for (const WatchedRight& right : kRightNames) {
    if (right.*place) mask |= right.bit;
  }
  return mask;
}

constexpr std::uint32_t kChangesAnything = Watched(&WatchedRight::at_program);
constexpr std::uint32_t kChangesThePath = Watched(&WatchedRight::above);

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
    const bool everyone = entry.holder == Holder::Everyone && allowed.holder != Holder::AnonymousLogon;
    if (everyone || entry.name == allowed.name) denied |= entry.mask;
  }
  return denied;
}

std::wstring What(std::uint32_t rights) {
  for (const WatchedRight& right : kRightNames) {
    if (rights & right.bit) return right.what;
  }
  return L"change it";
}

}  // namespace

PathPlace PlaceOfPart(std::size_t index, std::size_t count, std::size_t own) {
  return index + own >= count ? PathPlace::ProgramOrPackage : PathPlace::FolderAbove;
}

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
