// Whether a file or folder is safe to run a program from with rights other
// accounts lack (as LocalSystem, or elevated): only the accounts named here
// may change it, or change what a path through it leads to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

// Who holds an owner or an access entry, as far as the rule cares. The first
// five may change what runs: the machine's own accounts, Windows' installer
// service, the account doing the check, and CREATOR OWNER on entries meant
// for new children only. Everyone matters for its deny entries, and
// ANONYMOUS LOGON because those do not reach it: an anonymous token leaves
// Everyone out unless a policy, off by default, puts it in
// (https://learn.microsoft.com/en-us/previous-versions/windows/it-pro/windows-10/security/threat-protection/security-policy-settings/network-access-let-everyone-permissions-apply-to-anonymous-users).
// The checking account stays trusted when an administrator starts the
// program elevated by hand: that account may change the machine anyway, and
// Windows does not treat its elevation prompt as a security boundary.
enum class Holder {
  System, Administrators, TrustedInstaller, CheckingAccount, CreatorOwner, Everyone,
  AnonymousLogon, Other
};

enum class EntryKind {
  Allow,          // a plain allow entry
  Deny,           // a plain deny entry
  OtherDeny,      // a deny entry of another layout: denies nothing this rule counts on
  OtherAllow,     // any other entry (callback, object, compound...): may grant anything
};

// One entry of an access list, as the file system stores it.
struct AccessEntry {
  EntryKind kind = EntryKind::Allow;
  Holder holder = Holder::Other;
  std::wstring name;           // how a refusal names the holder ("Users", "S-1-5-21-...")
  std::uint32_t mask = 0;      // file access rights, generic rights included
  bool inherit_only = false;   // meant for children only, not for this object
  // Which children made later take it over (the entry's inheritance flags):
  // files, folders, and whether only the folder's own children do.
  bool to_files = false;
  bool to_folders = false;
  bool one_level = false;
};

struct AccessList {
  bool has_owner = true;
  Holder owner = Holder::Other;
  std::wstring owner_name;
  bool has_list = true;        // false: a missing (null) list, which allows everything
  std::vector<AccessEntry> entries;
  bool is_protected = false;   // false: it takes entries from the folder above
};

enum class PathPlace {
  // The program, its folder and everything in that folder's tree: nobody
  // else may add, change or delete anything there, nor be given that right
  // for what is made there later.
  ProgramOrPackage,
  // A folder further up, holding the next part of the path: nobody else may
  // delete or rename what lies below it, nor take it over. Adding new
  // entries there changes no path of ours (a drive's root lets every
  // account make folders of its own), and what its entries for new children
  // grant shows on the folders below, which are checked themselves.
  FolderAbove,
};

// Where part `index` of a path of `count` parts stands, the drive's root
// being part 0: the last `own` parts (2 for a program: itself and its
// folder; 1 for a folder programs load from) are ProgramOrPackage, the rest
// FolderAbove.
PathPlace PlaceOfPart(std::size_t index, std::size_t count, std::size_t own);

// Why `list` makes the path unsafe, as part of a sentence ("Users may
// delete it"), or nothing when it is safe. Entries are read in their order,
// as Windows reads them: a deny entry takes rights away only from the allow
// entries after it, for the same holder (or any, when it denies Everyone),
// and only where it reaches everything those allow entries reach.
std::optional<std::wstring> UnsafeAccess(const AccessList& list, PathPlace place);

// Why a folder found where a privileged step keeps its log may not hold it,
// as part of a sentence, or nothing. It must be owned by LocalSystem or the
// Administrators (the checking account is LocalSystem there), inherit
// nothing, and let nobody else change it. One the step has just made, with
// its list given at creation (`made_now`), need not show the protection:
// not every file system keeps it.
std::optional<std::wstring> UnusableLogFolder(const AccessList& list, bool made_now);

}  // namespace tarnwell
