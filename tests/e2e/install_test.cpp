// The install button, clicked with the mouse, against the stand-in package
// and against setup programs that fail or take their time.
#include "scenario.h"

namespace e2e {
namespace {

class Install : public Scenario {
 protected:
  // Clicks install and waits until the setup runs, the button disabled.
  void ClickInstallUntilSetupRuns() {
    HWND install = program_->Control(kPushButton13);
    program_->ClickWithMouse(install);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(install); }, 3000));
    ASSERT_TRUE(WaitUntil([&] { return ProcessRunsUnder(app_->Package()); }, 3000));
  }
};

const std::wstring kViewPrintersQuestion =
    L"Printer installed as Quellmark PDF Setup. It is now a virtual printer that is available "
    L"whenever you go to print something in any application.\r\r"
    L"Would you like me to open the Devices and Printers window so you can see this now?";

// Expects the question that closes an install; leaves it open.
Box ExpectQuestion(Program& program) {
  const auto box = program.WaitForBox();
  if (!box) {
    ADD_FAILURE() << "no question after the install";
    return {};
  }
  EXPECT_EQ(box->caption, L"View Printers");
  EXPECT_EQ(box->text, kViewPrintersQuestion);
  EXPECT_EQ(box->buttons, kYesNo);
  EXPECT_FALSE(box->has_icon);
  return *box;
}

Box ClickInstallUntilQuestion(Program& program) {
  program.ClickWithMouse(program.Control(kPushButton13));
  return ExpectQuestion(program);
}

TEST_F(Install, FirstOptionInstallsThePrinterAndMakesItTheDefault) {
  ASSERT_NO_FATAL_FAILURE(MakeOtherPrinterTheDefault());
  ASSERT_NE(StartPastInstructions(), nullptr);
  ASSERT_TRUE(IsChecked(program_->Control(kOption1)));

  const Box question = ClickInstallUntilQuestion(*program_);
  ASSERT_NE(question.hwnd, nullptr);
  EXPECT_TRUE(PrinterExists(kPackageName));
  EXPECT_EQ(DefaultPrinter(), kPackageName);
  EXPECT_TRUE(PathExists(InstalledPackageFolder()));
  EXPECT_TRUE(RegistrationExists());
  ExpectCommandControlsEnabled(true);

  ASSERT_TRUE(Press(question, IDNO));
  EXPECT_FALSE(program_->WaitForBox(1000).has_value());
  EXPECT_TRUE(program_->Running());
}

TEST_F(Install, SecondOptionLeavesTheDefaultPrinterAlone) {
  ASSERT_NO_FATAL_FAILURE(MakeOtherPrinterTheDefault());
  ASSERT_NE(StartPastInstructions(), nullptr);
  program_->ClickWithMouse(program_->Control(kOption2));
  ASSERT_TRUE(WaitUntil([&] { return IsChecked(program_->Control(kOption2)); }, 3000));
  EXPECT_FALSE(IsChecked(program_->Control(kOption1)));

  const Box question = ClickInstallUntilQuestion(*program_);
  ASSERT_NE(question.hwnd, nullptr);
  EXPECT_TRUE(PrinterExists(kPackageName));
  EXPECT_EQ(DefaultPrinter(), L"E2E Other Printer");
  ASSERT_TRUE(Press(question, IDNO));
}

TEST_F(Install, RefusesWhenThePrinterIsAlreadyInstalled) {
  ASSERT_TRUE(app_->InstallPackageDirectly());
  ASSERT_NE(StartWithPrinterPresent(), nullptr);
  program_->ClickWithMouse(program_->Control(kPushButton13));
  ExpectNotice(L"Printer already installed.");
  EXPECT_FALSE(program_->WaitForBox(1000).has_value());
}

// The policy that turns Windows protected print mode on, set in the prefix:
// Install says why and runs no setup. Set to 0 it installs as always.
TEST_F(Install, ProtectedPrintModeRunsNoSetupAndSaysWhy) {
  ASSERT_TRUE(SetProtectedPrintPolicy(1));
  ASSERT_NE(StartPastInstructions(), nullptr);
  program_->ClickWithMouse(program_->Control(kPushButton13));
  const auto box = program_->WaitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->caption, kTitle);
  EXPECT_EQ(box->text,
            L"Windows protected print mode is on. It allows only Windows' own printer drivers, "
            L"so this PDF printer cannot be installed on this computer.\r\n\r\nTo install it, "
            L"turn Windows protected print mode off in Settings (Bluetooth & devices, Printers & "
            L"scanners), or ask your administrator.");
  EXPECT_EQ(box->buttons, kOkOnly);
  EXPECT_TRUE(box->has_icon);
  EXPECT_FALSE(PrinterExists(kPackageName));
  EXPECT_FALSE(RegistrationExists());
  EXPECT_FALSE(PathExists(InstalledPackageFolder()));
  ASSERT_TRUE(Press(*box, IDOK));
  ExpectCommandControlsEnabled(true);
  program_.reset();

  ASSERT_TRUE(SetProtectedPrintPolicy(0));
  ASSERT_NE(StartPastInstructions(), nullptr);
  const Box question = ClickInstallUntilQuestion(*program_);
  ASSERT_NE(question.hwnd, nullptr);
  EXPECT_TRUE(PrinterExists(kPackageName));
  ASSERT_TRUE(Press(question, IDNO));
}

TEST_F(Install, ReportsAMissingPackageAndChangesNothing) {
  const struct {
    const char* kind;
    void (*prepare)(const AppFolder&);
  } cases[] = {
      {"no package folder", [](const AppFolder& app) { RemoveTree(app.Package()); }},
      {"no setup.exe",
       [](const AppFolder& app) { DeleteFileW((app.Package() + L"\\setup.exe").c_str()); }},
      {"hidden setup.exe",
       [](const AppFolder& app) {
         SetFileAttributesW((app.Package() + L"\\setup.exe").c_str(), FILE_ATTRIBUTE_HIDDEN);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    c.prepare(*app_);
    ASSERT_NE(StartPastInstructions(), nullptr);
    program_->ClickWithMouse(program_->Control(kPushButton13));
    ExpectNotice(L"Quellmark PDF Setup not found.");
    EXPECT_FALSE(PrinterExists(kPackageName));
    EXPECT_FALSE(RegistrationExists());
    program_.reset();
  }
}

TEST_F(Install, SetupThatCreatesNoPrinterIsReportedAsAFailure) {
  app_->UseSetupFixture(L"e2e_failing_setup.exe");
  ASSERT_NE(StartPastInstructions(), nullptr);
  program_->ClickWithMouse(program_->Control(kPushButton13));
  const auto box = program_->WaitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->caption, kTitle);
  EXPECT_EQ(box->text, L"Printer installation failed.");
  EXPECT_EQ(box->buttons, kOkOnly);
  EXPECT_TRUE(box->has_icon);
  ExpectCommandControlsEnabled(true);
  EXPECT_FALSE(PrinterExists(kPackageName));
  ASSERT_TRUE(Press(*box, IDOK));
  EXPECT_FALSE(program_->WaitForBox(1000).has_value());
}

TEST_F(Install, SlowSetupKeepsTheWindowResponsiveWithTheCommandsDisabled) {
  app_->UseSetupFixture(L"e2e_slow_setup.exe");
  HWND main = StartPastInstructions();
  ASSERT_NE(main, nullptr);
  HWND install = program_->Control(kPushButton13);
  const HCURSOR normal = program_->CursorOver(main, kBareSurface);
  const HCURSOR hand = program_->CursorOver(install);
  ASSERT_NO_FATAL_FAILURE(ClickInstallUntilSetupRuns());

  ExpectCommandControlsEnabled(false);
  const ULONGLONG asked = GetTickCount64();
  EXPECT_TRUE(program_->Responds(1000));
  EXPECT_LT(GetTickCount64() - asked, 500u);

  // The busy pointer is neither of the others and stays wherever it moves.
  const HCURSOR busy = program_->CursorOver(program_->Control(kPushButton1));
  EXPECT_NE(busy, hand);
  EXPECT_NE(busy, normal);
  EXPECT_EQ(program_->CursorOver(program_->Control(kFrame1), kFrameSurface), busy);
  EXPECT_EQ(program_->CursorOver(main, kBareSurface), busy);
  // A click on the disabled uninstall button does nothing: had it run, its
  // "not yet installed" notice would come before the question.
  program_->ClickWithMouse(program_->Control(kPushButton1));
  // Nor does the click a screen reader's invoke sends it.
  PostMessageW(program_->Control(kPushButton1), BM_CLICK, 0, 0);

  const Box question = ExpectQuestion(*program_);
  ASSERT_NE(question.hwnd, nullptr);
  EXPECT_FALSE(ProcessRunsUnder(app_->Package()));
  EXPECT_TRUE(PrinterExists(kPackageName));
  ExpectCommandControlsEnabled(true);
  ASSERT_TRUE(Press(question, IDNO));
  EXPECT_FALSE(program_->WaitForBox(1000).has_value());
  EXPECT_EQ(program_->CursorOver(install), hand);
}

TEST_F(Install, ClosingDuringTheWaitEndsTheProgramButNotTheSetup) {
  app_->UseSetupFixture(L"e2e_slow_setup.exe");
  ASSERT_NE(StartPastInstructions(), nullptr);
  ASSERT_NO_FATAL_FAILURE(ClickInstallUntilSetupRuns());

  program_->Close();
  EXPECT_TRUE(program_->WaitForExit(2000));
  EXPECT_TRUE(ProcessRunsUnder(app_->Package()));
  // The setup goes on by itself and leaves its printer behind.
  EXPECT_TRUE(WaitUntil([] { return PrinterExists(kPackageName); }));
}

}  // namespace
}  // namespace e2e
