// The stand-in printer package, run for real: what setup.exe leaves behind,
// what uninstall.exe takes away, and that running either twice does no harm.
// The machine under test comes first, so that every header after it reads
// the platform's names (windows.h renames some of the port's) the same way.
#include "win32/machine/machine.h"

#include <gtest/gtest.h>

#include "core/printer/package.h"
#include "core/printer/package_commands.h"
#include "core/printer/printer_search.h"
#include "core/printer/registry.h"
#include "core/printer/run_and_wait.h"
#include "test_support.h"

namespace tarnwell {
namespace {

class PackageOnWine : public ::testing::Test {
 protected:
  void SetUp() override { RunShippedUninstaller(); }
  void TearDown() override { RunShippedUninstaller(); }

  // The uninstaller shipped beside setup.exe cleans up whatever a test left.
  std::int32_t RunShippedUninstaller() {
    return RunAndWait(machine_, L"\"" + package_folder_ + L"\\uninstall.exe\"").code;
  }
  std::wstring Registration() {
    return RegistryValueText(ReadRegistryValue(
        machine_, RegRoot::LocalMachine,
        std::wstring(package::kUninstallKeyPrefix) + package::kName, package::kUninstallValue));
  }
  int PrintersNamed(const std::wstring& name) {
    int found = 0;
    const std::size_t count = machine_.ReadPrinterList();
    for (std::size_t i = 0; i < count; ++i) found += machine_.PrinterName(i) == name ? 1 : 0;
    return found;
  }

  Win32Machine machine_;
  wine_test::DefaultPrinterKeeper keeper_;
  std::wstring package_folder_ = wine_test::PackageFolder();
  std::wstring app_folder_ = package_folder_.substr(0, package_folder_.find_last_of(L'\\'));
  std::wstring installed_ =
      machine_.EnvironmentVariable(package::kProgramFilesVariable) + L"\\" + package::kName;
  std::wstring installed_uninstaller_ = installed_ + L"\\uninstall.exe";
};

TEST_F(PackageOnWine, SetupInstallsAndUninstallRemovesEverything) {
  ASSERT_EQ(PrintersNamed(package::kName), 0);
  ASSERT_EQ(RunAndWait(machine_, SetupCommandLine(app_folder_), package::kSetupWindowStyle).code, 0);
  EXPECT_EQ(PrintersNamed(package::kName), 1);
  EXPECT_TRUE(wine_test::Exists(installed_uninstaller_));
  EXPECT_EQ(Registration(), L"\"" + installed_uninstaller_ + L"\"");

  // Already installed: setup succeeds and adds nothing.
  EXPECT_EQ(RunAndWait(machine_, SetupCommandLine(app_folder_), package::kSetupWindowStyle).code, 0);
  EXPECT_EQ(PrintersNamed(package::kName), 1);

  // The uninstall command starts the registered line as it stands.
  const RunResult uninstall = RunAndWait(machine_, Registration());
  EXPECT_TRUE(uninstall.started);
  EXPECT_EQ(uninstall.code, 0);
  EXPECT_EQ(PrintersNamed(package::kName), 0);
  EXPECT_FALSE(wine_test::Exists(installed_));
  EXPECT_EQ(Registration(), L"");

  EXPECT_EQ(RunShippedUninstaller(), 0);
}

TEST_F(PackageOnWine, AFailedSetupLeavesNothingBehind) {
  // A package folder without its uninstaller: setup makes the installed
  // folder, cannot fill it, and must take the folder away again.
  wine_test::ScratchFolder app(L"tarnwell-broken");
  const std::wstring broken = app.path() + L"\\" + package::kName;
  ASSERT_TRUE(CreateDirectoryW(broken.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW((package_folder_ + L"\\setup.exe").c_str(),
                        (broken + L"\\setup.exe").c_str(), FALSE));

  EXPECT_NE(RunAndWait(machine_, SetupCommandLine(app.path()), package::kSetupWindowStyle).code, 0);
  EXPECT_FALSE(wine_test::Exists(installed_));
  EXPECT_EQ(Registration(), L"");
  EXPECT_EQ(PrintersNamed(package::kName), 0);
}

}  // namespace
}  // namespace tarnwell
