// Which access lists make a path unsafe for the package's printer steps to
// run from as LocalSystem.
#include <gtest/gtest.h>

#include "core/installer/folder_access.h"

namespace tarnwell::testing {
namespace {

constexpr std::uint32_t kReadExecute = 0x1200A9;
constexpr std::uint32_t kModify = 0x1301BF;
constexpr std::uint32_t kFull = 0x1F01FF;
constexpr std::uint32_t kAddFolder = 0x4;   // "create folders / append data"
constexpr std::uint32_t kDelete = 0x10000;
constexpr std::uint32_t kWriteOwner = 0x80000;
constexpr std::uint32_t kGenericWrite = 0x40000000;

AccessEntry Allow(Trustee who, std::uint32_t mask, bool inherit_only = false) {
  return {true, who, mask, inherit_only};
}
AccessEntry Deny(Trustee who, std::uint32_t mask) { return {false, who, mask, false}; }

struct Case {
  const char* name;
  AccessList list;
  PathPlace place;
  const wchar_t* why;  // nullptr: safe
};

TEST(FolderAccess, BroadGroupsMayNotChangeWhatRunsAsLocalSystem) {
  const auto program = PathPlace::ProgramOrPackage;
  const auto above = PathPlace::FolderAbove;
  // Administrators and LocalSystem appear as "Other": their rights never count.
  const AccessEntry admins = Allow(Trustee::Other, kFull);
  const Case cases[] = {
      {"program files", {true, Trustee::Other, {admins, Allow(Trustee::Users, kReadExecute)}},
       program, nullptr},
      {"root-of-drive folder", {true, Trustee::Other,
        {admins, Allow(Trustee::AuthenticatedUsers, kModify)}},
       program, L"Authenticated Users may write to it"},
      {"everyone generic write", {true, Trustee::Other,
        {admins, Allow(Trustee::Everyone, kGenericWrite)}},
       program, L"Everyone may write to it"},
      {"interactive may take it over", {true, Trustee::Other,
        {admins, Allow(Trustee::Interactive, kWriteOwner)}},
       program, L"Interactive may take ownership of it"},
      {"users may add folders beside the program", {true, Trustee::Other,
        {admins, Allow(Trustee::Users, kAddFolder)}},
       program, L"Users may append to it"},
      {"drive root: users may only add folders", {true, Trustee::Other,
        {admins, Allow(Trustee::AuthenticatedUsers, kAddFolder),
         Allow(Trustee::AuthenticatedUsers, kModify, true)}},
       above, nullptr},
      {"folder above deletable", {true, Trustee::Other,
        {admins, Allow(Trustee::Users, kDelete)}},
       above, L"Users may delete it"},
      {"inherit-only entry alone", {true, Trustee::Other,
        {admins, Allow(Trustee::Users, kModify, true)}},
       program, nullptr},
      {"denied first", {true, Trustee::Other,
        {Deny(Trustee::Everyone, kModify), Allow(Trustee::Users, kModify)}},
       program, nullptr},
      {"denied to another group only", {true, Trustee::Other,
        {Deny(Trustee::Users, kModify), Allow(Trustee::AuthenticatedUsers, kModify)}},
       program, L"Authenticated Users may write to it"},
      {"no access list", {false, Trustee::Other, {}}, above,
       L"it has no access list, so everyone may change it"},
      {"owned by users", {true, Trustee::Users, {admins}}, above, L"Users own it"},
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

}  // namespace
}  // namespace tarnwell::testing
