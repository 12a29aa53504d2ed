// Every rule that guards a privileged run, over the picture of Windows as it
// ships (tests/data/stock-windows.txt): a program's path, a log's path and
// the PATH folders a started program gets. Each path is the stock rows from
// the drive's root down, judged as the Win32 walks judge them, part by part
// with each part's place, the first refusal ending the walk. Each verdict is
// reasoned by hand, beside its row, from the list and from what each right
// lets its holder do there.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/installer/log_folder_rule.h"
#include "sddl_reader.h"

namespace tarnwell::testing {
namespace {

struct Path {
  std::vector<std::string> parts;  // stock rows, the drive's root first
  std::wstring verdict;            // "row: why" of the first part refused; empty when none is
};

const std::map<std::string, StockObject>& Stock() {
  static const std::map<std::string, StockObject> stock = ReadStockWindows();
  return stock;
}

// Walks each path as the Win32 side does, part by part, the first refusal
// ending it, and compares with the verdict written beside it.
template <typename Judge>
void ExpectVerdicts(const std::vector<Path>& paths, Judge judge) {
  for (const Path& path : paths) {
    std::wstring verdict;
    for (std::size_t i = 0; i < path.parts.size() && verdict.empty(); ++i) {
      const std::string& part = path.parts[i];
      if (const auto why = judge(Stock().at(part).list, i, path.parts.size())) {
        verdict = std::wstring(part.begin(), part.end()) + L": " + *why;
      }
    }
    EXPECT_EQ(verdict, path.verdict) << path.parts.back();
  }
}

constexpr wchar_t kAlice[] = L"S-1-5-21-1004336348-1177238915-682003330-1001";

// A program, its folder, and the folders above (trusted_path.cpp).
TEST(StockWindows, ProgramsRunAsSystemFromWhereWindowsAndDeploymentToolsPutThem) {
  const std::wstring alice_owns = std::wstring(L": it is owned by ") + kAlice;
  ExpectVerdicts({
      // Installed packages: SYSTEM, Administrators and TrustedInstaller may
      // change them, users read; CREATOR OWNER only for children.
      {{"root", "program-files-x86", "printer-package", "file-below-program-files"}, L""},
      {{"root", "program-files-x86", "install-folder", "file-below-program-files"}, L""},
      {{"root", "program-files-x86", "ime", "ime-content", "ime-staging", "ime-app",
        "file-below-program-files"}, L""},
      // Windows' folders and the configuration manager's cache below them.
      {{"root", "windows", "file-below-windows"}, L""},
      {{"root", "windows", "system32", "file-below-windows"}, L""},
      {{"root", "windows", "syswow64", "file-below-windows"}, L""},
      {{"root", "windows", "ccmcache", "ccmcache-entry", "file-below-windows"}, L""},
      {{"root", "windows", "system-temp", "file-made-by-system"}, L""},
      // ProgramData lets users add folders and change attributes on itself,
      // which changes no path through it while it is held; the package
      // cache below it is the bundle engine's own, protected.
      {{"root", "programdata", "package-cache", "package-cache-entry", "file-below-package-cache"},
       L""},
      // Users may add files to Windows\Temp and to what is made in it.
      {{"root", "windows", "windows-temp", "file-made-by-system"},
       L"windows-temp: Users may write to it"},
      {{"root", "windows", "windows-temp", "windows-temp-package", "file-made-by-system"},
       L"windows-temp-package: Users may write to it"},
      // Users\Public: every signed-in user may add files to what is made there.
      {{"root", "users", "public", "public-package", "file-made-by-system"},
       L"public-package: Interactive may write to it"},
      // A folder a user made is the user's, wherever it is.
      {{"root", "user-folder-root", "file-of-the-user"}, L"user-folder-root" + alice_owns},
      {{"root", "programdata", "user-folder-programdata", "file-of-the-user"},
       L"user-folder-programdata" + alice_owns},
      // A user's profile is the user's: they may delete what lies in it.
      {{"root", "users", "profile", "appdata", "local-appdata", "file-of-the-user"},
       L"profile: " + std::wstring(kAlice) + L" may delete it"},
  }, [](const AccessList& list, std::size_t i, std::size_t count) {
    return UnsafeAccess(list, PlaceOfPart(i, count, 2));
  });
}

// A log's folders, made or found (log_folder_path.cpp): a folder refused
// here is left alone and another made beside it. The folders the walk makes
// have the log folder's own list (the log-... rows).
TEST(StockWindows, ALogFolderIsUsedWhereOnlyTrustedAccountsMayChangeIt) {
  const std::wstring alice = kAlice;
  ExpectVerdicts({
      // deploy.cmd's default, and the package's own log folder: ProgramData
      // is only passed through, so no fresh folder is made.
      {{"root", "programdata", "log-product-folder", "log-folder"}, L""},
      {{"root", "program-files"}, L""},
      {{"root", "program-files-x86", "install-folder"}, L""},
      {{"root", "program-files-x86", "ime", "ime-content"}, L""},
      {{"root", "windows", "system32"}, L""},
      {{"root", "windows", "syswow64"}, L""},
      {{"root", "windows", "ccmcache"}, L""},
      {{"root", "windows", "system-temp"}, L""},
      {{"root", "programdata", "package-cache", "package-cache-entry"}, L""},
      // Where others may add files beside the log, or own the folder.
      {{"root"}, L"root: Authenticated Users may write to it"},
      {{"root", "programdata"}, L"programdata: Users may write to it"},
      {{"root", "windows", "windows-temp"}, L"windows-temp: Users may write to it"},
      {{"root", "windows", "windows-temp", "windows-temp-package"},
       L"windows-temp-package: Users may write to it"},
      {{"root", "users", "public"}, L"public: Interactive may write to it"},
      // A folder SYSTEM made in Public: the three groups' Modify with
      // delete-child is theirs on it, so it fails even as a folder above.
      {{"root", "users", "public", "public-package", "log-folder"}, L"public-package: Interactive may delete it"},
      {{"root", "user-folder-root"}, L"user-folder-root: it is owned by " + alice},
      {{"root", "programdata", "user-folder-programdata", "log-folder"},
       L"user-folder-programdata: it is owned by " + alice},
      {{"root", "users", "profile", "appdata", "local-appdata"},
       L"profile: " + alice + L" may delete it"},
  }, [](const AccessList& list, std::size_t i, std::size_t count) {
    return UnusableLogPathFolder(true, false, list, RoleOfPart(i, count));
  });
}

// The PATH folders a started program keeps (child_environment.cpp): each
// passes as a program's folder, and the folders above it as folders above.
TEST(StockWindows, OnlyPathFoldersTrustedAccountsAloneMayChangeReachAStartedProgram) {
  const std::wstring alice = kAlice;
  ExpectVerdicts({
      {{"root", "windows"}, L""},
      {{"root", "windows", "system32"}, L""},
      {{"root", "windows", "syswow64"}, L""},
      {{"root", "windows", "system-temp"}, L""},
      {{"root", "windows", "ccmcache", "ccmcache-entry"}, L""},
      {{"root", "program-files"}, L""},
      {{"root", "program-files-x86", "printer-package"}, L""},
      {{"root", "program-files-x86", "ime", "ime-content", "ime-staging", "ime-app"}, L""},
      {{"root", "programdata", "package-cache", "package-cache-entry"}, L""},
      {{"root", "programdata", "log-product-folder", "log-folder"}, L""},
      {{"root"}, L"root: Authenticated Users may write to it"},
      {{"root", "programdata"}, L"programdata: Users may write to it"},
      {{"root", "windows", "windows-temp"}, L"windows-temp: Users may write to it"},
      {{"root", "users", "public"}, L"public: Interactive may write to it"},
      {{"root", "users", "public", "public-package"}, L"public-package: Interactive may write to it"},
      {{"root", "user-folder-root"}, L"user-folder-root: it is owned by " + alice},
      {{"root", "programdata", "user-folder-programdata"},
       L"user-folder-programdata: it is owned by " + alice},
      {{"root", "users", "profile", "appdata", "local-appdata"},
       L"profile: " + alice + L" may delete it"},
  }, [](const AccessList& list, std::size_t i, std::size_t count) {
    return UnsafeAccess(list, PlaceOfPart(i, count, 1));
  });
}

// The stock file itself: the ProgramData row is the measured one, read
// entry for entry.
TEST(StockWindows, ProgramDataIsReadAsMeasured) {
  const AccessList& list = Stock().at("programdata").list;
  EXPECT_EQ(Stock().at("programdata").path, "C:\\ProgramData");
  ASSERT_EQ(list.entries.size(), 5u);
  EXPECT_EQ(list.owner, Holder::System);
  EXPECT_TRUE(list.is_protected);
  const AccessEntry& users_add = list.entries[4];
  EXPECT_EQ(users_add.name, L"Users");
  EXPECT_EQ(users_add.mask, 0x116u);
  EXPECT_TRUE(users_add.to_folders && !users_add.to_files && !users_add.inherit_only);
  EXPECT_TRUE(list.entries[2].inherit_only);
  EXPECT_EQ(list.entries[2].holder, Holder::CreatorOwner);
}

// Users\Public as listed: no Users entry; INTERACTIVE, SERVICE and BATCH
// may add files and folders to it, and change what is made in it.
TEST(StockWindows, PublicIsReadAsMeasured) {
  const AccessList& list = Stock().at("public").list;
  ASSERT_EQ(list.entries.size(), 9u);
  for (const AccessEntry& entry : list.entries) EXPECT_NE(entry.name, L"Users");
  const std::wstring groups[] = {L"Interactive", L"SERVICE", L"BATCH"};
  for (std::size_t i = 0; i < 3; ++i) {
    const AccessEntry& below = list.entries[3 + 2 * i];
    const AccessEntry& itself = list.entries[4 + 2 * i];
    EXPECT_EQ(below.name, groups[i]);
    EXPECT_EQ(below.mask, 0x1301ffu);
    EXPECT_TRUE(below.inherit_only && below.to_files && below.to_folders);
    EXPECT_EQ(itself.name, groups[i]);
    EXPECT_EQ(itself.mask, 0x1200afu);
    EXPECT_FALSE(itself.inherit_only || itself.to_files || itself.to_folders);
  }
}

}  // namespace
}  // namespace tarnwell::testing
