// The uninstall button, clicked with the mouse: the whole round trip after an
// install, and every way the package's traces can be incomplete.
#include "scenario.h"

namespace e2e {
namespace {

using Uninstall = Scenario;

TEST_F(Uninstall, RunsTheRegisteredUninstallerAfterAnInstall) {
  ASSERT_NE(StartPastInstructions(), nullptr);
  program_->ClickWithMouse(program_->Control(kPushButton13));
  const auto question = program_->WaitForBox();
  ASSERT_TRUE(question.has_value());
  ASSERT_EQ(question->caption, L"View Printers");
  ASSERT_TRUE(Press(*question, IDNO));
  ASSERT_TRUE(PrinterExists(kPackageName));
  ASSERT_TRUE(RegisteredUninstallString().has_value());

  program_->ClickWithMouse(program_->Control(kPushButton1));
  const auto done = program_->WaitForBox();
  ASSERT_TRUE(done.has_value());
  // The uninstaller has ended by the time "Done." shows.
  EXPECT_FALSE(PrinterExists(kPackageName));
  EXPECT_FALSE(PathExists(InstalledPackageFolder()));
  EXPECT_FALSE(RegistrationExists());
  ExpectNotice(L"Done.");

  // And the printer now counts as missing.
  program_->ClickWithMouse(program_->Control(kPushButton1));
  ExpectNotice(L"PDF Printer is not yet installed.");
}

// One run of the program; the machine is changed between clicks, as the
// early exits leave it untouched.
TEST_F(Uninstall, IncompleteTracesStopBeforeAnythingRuns) {
  ASSERT_NE(StartPastInstructions(), nullptr);
  HWND uninstall = program_->Control(kPushButton1);

  {
    SCOPED_TRACE("printer missing");
    program_->ClickWithMouse(uninstall);
    ExpectNotice(L"PDF Printer is not yet installed.");
  }
  ASSERT_TRUE(app_->InstallPackageDirectly());
  const auto registered = RegisteredUninstallString();
  ASSERT_TRUE(registered.has_value());
  const std::wstring folder = InstalledPackageFolder();
  const std::wstring kept = folder + L" (kept)";
  {
    SCOPED_TRACE("installed folder missing");
    ASSERT_TRUE(MoveFileW(folder.c_str(), kept.c_str()));
    program_->ClickWithMouse(uninstall);
    ExpectNotice(L"Install path not found.");
    EXPECT_TRUE(PrinterExists(kPackageName));
    ASSERT_TRUE(MoveFileW(kept.c_str(), folder.c_str()));
  }
  {
    SCOPED_TRACE("registration missing");
    DeleteRegistration();
    program_->ClickWithMouse(uninstall);
    ExpectNotice(L"Install path not found.");
    EXPECT_TRUE(PrinterExists(kPackageName));
    EXPECT_TRUE(PathExists(folder));
  }
  {
    SCOPED_TRACE("uninstaller missing");
    WriteUninstallString(L"\"" + folder + L"\\no-such-uninstall.exe\"");
    program_->ClickWithMouse(uninstall);
    const auto box = program_->WaitForBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->caption, kTitle);
    EXPECT_EQ(box->text, L"Uninstaller could not be started.");
    ExpectCommandControlsEnabled(true);
    EXPECT_TRUE(Press(*box, IDOK));
    EXPECT_TRUE(PrinterExists(kPackageName));
  }
  EXPECT_FALSE(program_->WaitForBox(500).has_value());
}

}  // namespace
}  // namespace e2e
