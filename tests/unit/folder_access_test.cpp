// Which owners and access lists make a path unsafe to run a program from as
// LocalSystem: only the machine's own accounts, the installer service and
// the checking account may change it.
#include <gtest/gtest.h>

#include <string>

#include "core/installer/folder_access.h"

namespace tarnwell::testing {
namespace {

constexpr std::uint32_t kReadExecute = 0x1200A9;
constexpr std::uint32_t kModify = 0x1301BF;
constexpr std::uint32_t kFull = 0x1F01FF;
constexpr std::uint32_t kAddFolder = 0x4;   // "create folders / append data"
constexpr std::uint32_t kDelete = 0x10000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kWriteDac = 0x40000;
constexpr std::uint32_t kWriteAttributes = 0x100;

constexpr wchar_t kUser[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";
constexpr wchar_t kDomainUsers[] = L"S-1-5-21-1004336348-1177238915-682003330-513";

AccessEntry Allow(Holder who, const wchar_t* name, std::uint32_t mask, bool inherit_only = false) {
  return {EntryKind::Allow, who, name, mask, inherit_only, false, false, false};
}
AccessEntry Other(const wchar_t* name, std::uint32_t mask) {
  return Allow(Holder::Other, name, mask);
}
// An entry with its inheritance flags: "OI", "CI", "OICI", and "IO" when it
// is for children only.
AccessEntry Entry(EntryKind kind, const wchar_t* name, std::uint32_t mask, std::string flags) {
  const auto has = [&flags](const char* flag) { return flags.find(flag) != std::string::npos; };
  return {kind, kind == EntryKind::Deny && name == std::wstring(L"Everyone") ? Holder::Everyone
                                                                            : Holder::Other,
          name, mask, has("IO"), has("OI"), has("CI"), false};
}
const AccessEntry kSystem = Allow(Holder::System, L"SYSTEM", kFull);
const AccessEntry kAdmins = Allow(Holder::Administrators, L"Administrators", kFull);
const AccessEntry kUsersRead = Other(L"Users", kReadExecute);

AccessList Owned(Holder owner, const wchar_t* owner_name, std::vector<AccessEntry> entries) {
  return {true, owner, owner_name, true, std::move(entries)};
}
AccessList ByAdmins(std::vector<AccessEntry> entries) {
  return Owned(Holder::Administrators, L"Administrators", std::move(entries));
}

struct Case {
  const char* name;
  AccessList list;
  PathPlace place;
  const wchar_t* why;  // nullptr: safe
};

TEST(FolderAccess, OnlyTrustedAccountsMayChangeWhatRunsAsLocalSystem) {
  const auto program = PathPlace::ProgramOrPackage;
  const auto above = PathPlace::FolderAbove;
  const AccessEntry callback = Entry(EntryKind::OtherAllow, L"Users", kReadExecute, "");
  const AccessEntry deny_everyone = Entry(EntryKind::Deny, L"Everyone", kModify, "");
  const Case cases[] = {
      // What Program Files and the system folder hold on Windows.
      {"program files", ByAdmins({kSystem, kAdmins, kUsersRead,
        Allow(Holder::CreatorOwner, L"CREATOR OWNER", kGenericAll, true),
        Allow(Holder::TrustedInstaller, L"TrustedInstaller", kGenericAll, true)}),
       program, nullptr},
      {"system folder owned by TrustedInstaller",
       Owned(Holder::TrustedInstaller, L"TrustedInstaller",
             {Allow(Holder::TrustedInstaller, L"TrustedInstaller", kFull), kSystem, kAdmins,
              kUsersRead}),
       program, nullptr},
      // The account doing the check, as an elevated administrator or under Wine.
      {"the checking account", Owned(Holder::CheckingAccount, kUser,
        {Allow(Holder::CheckingAccount, kUser, kFull), kSystem}), program, nullptr},
      {"one user's folder", Owned(Holder::Other, kUser, {kSystem, kAdmins}), above,
       L"it is owned by S-1-5-21-1004336348-1177238915-682003330-1001"},
      {"one user may change it", ByAdmins({kSystem, kAdmins, Other(kUser, kModify)}), program,
       L"S-1-5-21-1004336348-1177238915-682003330-1001 may write to it"},
      {"a domain group may delete a folder above", ByAdmins({kAdmins, Other(kDomainUsers, kDelete)}),
       above, L"S-1-5-21-1004336348-1177238915-682003330-513 may delete it"},
      {"a callback entry", ByAdmins({kAdmins, callback}), above,
       L"an access entry for Users is of a kind this check does not read, and may grant anything"},
      {"CREATOR OWNER on this folder itself", ByAdmins({kAdmins,
        Allow(Holder::CreatorOwner, L"CREATOR OWNER", kFull)}), program,
       L"CREATOR OWNER may write to it"},
      {"users may add folders beside the program", ByAdmins({kAdmins, Other(L"Users", kAddFolder)}),
       program, L"Users may append to it"},
      {"what new files here would give users", ByAdmins({kAdmins,
        Allow(Holder::Other, L"Users", kModify, true)}), program, L"Users may write to it"},
      // C:\ itself: every account may add folders, and owns what it adds.
      {"drive root", ByAdmins({kAdmins, Other(L"Authenticated Users", kAddFolder),
        Allow(Holder::Other, L"Authenticated Users", kModify, true)}), above, nullptr},
      {"denied first", ByAdmins({deny_everyone, Other(L"Users", kModify)}), program, nullptr},
      {"denied to another group only", ByAdmins({
        Entry(EntryKind::Deny, L"Users", kModify, ""), Other(L"Guests", kModify)}),
       program, L"Guests may write to it"},
      {"an inherit-only deny beside an allow on the folder itself", ByAdmins({kAdmins,
        Entry(EntryKind::Deny, L"Users", kWriteDac, "OICIIO"),
        Entry(EntryKind::Allow, L"Users", kWriteDac, "")}), program,
       L"Users may change its permissions"},
      {"an Everyone deny leaves out anonymous tokens", ByAdmins({deny_everyone,
        Allow(Holder::AnonymousLogon, L"ANONYMOUS LOGON", kModify)}), program,
       L"ANONYMOUS LOGON may write to it"},
      {"a deny placed after the allow", ByAdmins({kAdmins, Other(L"Users", kModify),
        deny_everyone}), program, L"Users may write to it"},
      {"a deny reaching all the allow reaches", ByAdmins({kAdmins,
        Entry(EntryKind::Deny, L"Everyone", kModify, "OICI"),
        Entry(EntryKind::Allow, L"Users", kModify, "OICI")}), program, nullptr},
      {"new subfolders of the package folder lack the deny", ByAdmins({kAdmins,
        Entry(EntryKind::Deny, L"Users", kModify, "OIIO"),
        Entry(EntryKind::Allow, L"Users", kModify, "OICIIO")}), program,
       L"Users may write to it"},
      {"WRITE_DAC on a folder above", ByAdmins({kAdmins, Other(kDomainUsers, kWriteDac)}), above,
       L"S-1-5-21-1004336348-1177238915-682003330-513 may change its permissions"},
      {"FILE_WRITE_ATTRIBUTES", ByAdmins({kAdmins,
        Other(L"Users", kReadExecute | kWriteAttributes)}), program,
       L"Users may change its attributes"},
      {"no access list", {true, Holder::System, L"SYSTEM", false, {}}, above,
       L"it has no access list, so everyone may change it"},
      {"no owner", {false, Holder::Other, L"", true, {kAdmins}}, above, L"it has no owner"},
  };
  for (const Case& c : cases) {
    const std::optional<std::wstring> why = UnsafeAccess(c.list, c.place);
    if (c.why) {
      EXPECT_EQ(why.value_or(L"(safe)"), c.why) << c.name;
    } else {
      EXPECT_FALSE(why.has_value()) << c.name << ": " << why.value_or(L"");
    }
  }
}

// A log folder found there is used only if LocalSystem or an administrator
// made it as the step makes it; anything else gets a new folder beside it.
TEST(FolderAccess, OnlyAFolderMadeAsTheStepMakesItHoldsItsLog) {
  AccessList as_made = ByAdmins({kSystem, kAdmins});
  as_made.is_protected = true;
  AccessList inheriting = as_made;
  inheriting.is_protected = false;
  AccessList users_write = as_made;
  users_write.entries.push_back(Other(L"Users", kModify));
  AccessList users_own = as_made;
  users_own.owner = Holder::Other;
  users_own.owner_name = kUser;
  AccessList installer_owns = as_made;
  installer_owns.owner = Holder::TrustedInstaller;
  installer_owns.owner_name = L"TrustedInstaller";
  EXPECT_EQ(UnusableLogFolder(as_made, false).value_or(L"(usable)"), L"(usable)");
  EXPECT_EQ(UnusableLogFolder(inheriting, true).value_or(L"(usable)"), L"(usable)");
  EXPECT_EQ(UnusableLogFolder(inheriting, false).value_or(L"(usable)"),
            L"it inherits permissions from the folder above");
  EXPECT_EQ(UnusableLogFolder(users_write, false).value_or(L"(usable)"), L"Users may write to it");
  EXPECT_EQ(UnusableLogFolder(users_own, false).value_or(L"(usable)"),
            L"it is owned by S-1-5-21-1004336348-1177238915-682003330-1001");
  EXPECT_EQ(UnusableLogFolder(installer_owns, false).value_or(L"(usable)"),
            L"it is owned by TrustedInstaller");
}

}  // namespace
}  // namespace tarnwell::testing
