// Which folders a privileged run's log may lie in and pass through, over the
// owners and access lists Windows shows and Wine cannot (another account's
// folder, an inherit-only entry, a junction), and how a log path splits.
#include <gtest/gtest.h>

#include "core/installer/log_folder_rule.h"

namespace tarnwell::testing {
namespace {

constexpr std::uint32_t kFull = 0x1F01FF;
constexpr std::uint32_t kReadExecute = 0x1200A9;
constexpr std::uint32_t kAddChangeAttributes = 0x116;
constexpr wchar_t kUser[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";

AccessEntry Allow(Holder who, const wchar_t* name, std::uint32_t mask, bool inherit_only = false) {
  return {EntryKind::Allow, who, name, mask, inherit_only};
}

TEST(LogFolderRule, FoldersAboveMayTakeNewEntriesTheLogsFolderMayNot) {
  const AccessEntry system = Allow(Holder::System, L"SYSTEM", kFull);
  const AccessEntry admins = Allow(Holder::Administrators, L"Administrators", kFull);
  // ProgramData as Windows ships it (tests/data/stock-windows.txt): Users
  // may add files and folders and change attributes and extended
  // attributes on it and on every folder made in it; the folder the program
  // makes; one a user made.
  const AccessEntry users_add{EntryKind::Allow, Holder::Other, L"Users", kAddChangeAttributes,
                              false, false, true, false};
  const AccessList program_data{true, Holder::System, L"SYSTEM", true,
                                {system, admins,
                                 Allow(Holder::CreatorOwner, L"CREATOR OWNER", kFull, true),
                                 Allow(Holder::Other, L"Users", kReadExecute), users_add}};
  const AccessList made{true, Holder::Administrators, L"Administrators", true, {system, admins}};
  const AccessList users{true, Holder::Other, kUser, true, {Allow(Holder::Other, kUser, kFull)}};
  const auto above = LogFolderRole::Above;
  const auto holds = LogFolderRole::HoldsTheLog;
  const auto why = [](bool folder, bool link, const AccessList& list, LogFolderRole role) {
    return UnusableLogPathFolder(folder, link, list, role).value_or(L"(usable)");
  };
  EXPECT_EQ(why(true, false, program_data, above), L"(usable)");
  EXPECT_EQ(why(true, false, program_data, holds), L"Users may write to it");
  EXPECT_EQ(why(true, false, made, holds), L"(usable)");
  EXPECT_EQ(why(true, false, users, above),
            L"it is owned by S-1-5-21-1004336348-1177238915-682003330-1001");
  EXPECT_EQ(why(false, false, made, above), L"it is not a folder");
  EXPECT_EQ(why(true, true, made, holds), L"it is a link, junction or mount point");

  const std::uint8_t random[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef};
  EXPECT_EQ(FreshLogFolderName(L"Logs", random), L"Logs-0123456789abcdef");
  // What a later run looks for beside the taken name.
  EXPECT_TRUE(IsFreshLogFolderName(L"Logs-0123456789abcdef", L"Logs"));
  EXPECT_FALSE(IsFreshLogFolderName(L"Logs-0123456789ABCDEF", L"Logs"));
  EXPECT_FALSE(IsFreshLogFolderName(L"Logs-0123456789abcde", L"Logs"));
  EXPECT_FALSE(IsFreshLogFolderName(L"Logs-0123456789abcdef0", L"Logs"));
  EXPECT_FALSE(IsFreshLogFolderName(L"Logs_0123456789abcdef", L"Logs"));
  EXPECT_FALSE(IsFreshLogFolderName(L"Other-0123456789abcdef", L"Logs"));
}

TEST(LogFolderRule, ALogPathSplitsIntoItsRootFoldersAndName) {
  using Parts = std::tuple<std::wstring, std::vector<std::wstring>, std::wstring>;
  const auto split = [](const std::wstring& file) {
    const auto parts = SplitLogFile(file);
    return parts ? Parts{parts->root, parts->folders, parts->name} : Parts{L"(none)", {}, {}};
  };
  EXPECT_EQ(split(L"C:\\a\\\\b\\x.log"), (Parts{L"C:\\", {L"a", L"b"}, L"x.log"}));
  EXPECT_EQ(split(L"c:/run.log"), (Parts{L"c:/", {}, L"run.log"}));
  EXPECT_EQ(split(L"\\\\srv\\share\\Logs\\x.log"),
            (Parts{L"\\\\srv\\share\\", {L"Logs"}, L"x.log"}));
  EXPECT_EQ(split(L"\\\\srv\\share\\x.log"), (Parts{L"\\\\srv\\share\\", {}, L"x.log"}));
  EXPECT_EQ(split(L"\\\\srv\\share"), (Parts{L"(none)", {}, {}}));
  EXPECT_EQ(split(L"C:\\Logs\\"), (Parts{L"(none)", {}, {}}));
}

}  // namespace
}  // namespace tarnwell::testing
