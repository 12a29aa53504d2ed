// Packages that do their work in other processes (bootstrappers, uninstallers
// that run a copy of themselves, resident helpers, children outside the job),
// and one command at a time across instances of the program.
#include <algorithm>
#include <cstdio>

#include "scenario.h"

namespace e2e {
namespace {

const std::wstring kInProgress =
    L"Another installation or removal of the PDF printer is in progress. Please wait until it "
    L"has finished.";

class Commands : public Scenario {
 protected:
  void TearDown() override {
    SetEnvironmentVariableW(L"SLOW_SETUP_DELAY_MS", nullptr);
    SetEnvironmentVariableW(L"TREE_SETUP_DONE_FILE", nullptr);
    second_.reset();
    Scenario::TearDown();
  }

  std::wstring Setup() const { return app_->Package() + L"\\setup.exe"; }

  // A click as the button reports it; posted, so that two instances can be
  // clicked at the same moment.
  static void Click(const Program& program, int id) {
    PostMessageW(program.FindMainWindow(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(program.Control(id)));
  }
  static void ClickInstall(const Program& program) { Click(program, kPushButton13); }

  // The install ends with the question; returns when it was first seen.
  ULONGLONG ExpectQuestion(Program& program, DWORD timeout_ms = kWaitMs) {
    const auto box = program.WaitForBox(timeout_ms);
    const ULONGLONG seen = GetTickCount64();
    if (!box) {
      ADD_FAILURE() << "no message after the install";
      return seen;
    }
    EXPECT_EQ(box->caption, L"View Printers");
    EXPECT_EQ(box->buttons, kYesNo);
    Press(*box, IDNO);
    return seen;
  }

  void ExpectInProgress(Program& program) {
    const auto box = program.WaitForBox();
    ASSERT_TRUE(box.has_value()) << "no message";
    EXPECT_EQ(box->caption, kTitle);
    EXPECT_EQ(box->text, kInProgress);
    EXPECT_EQ(box->buttons, kOkOnly);
    EXPECT_TRUE(box->has_icon);
    Press(*box, IDOK);
  }

  // A second instance from the same folder, past its printer instructions.
  HWND StartSecond() {
    second_ = Start();
    const auto box = second_->WaitForBox();
    if (!box) return nullptr;
    Press(*box, IDOK);
    return second_->WaitForMainWindow();
  }

  std::unique_ptr<Program> second_;
};

TEST_F(Commands, BootstrapperSetupEndsWithTheQuestionAndTheDefaultPrinter) {
  ASSERT_NO_FATAL_FAILURE(MakeOtherPrinterTheDefault());
  app_->UseSetupFixture(L"e2e_bootstrapper_setup.exe");
  ASSERT_NE(StartPastInstructions(), nullptr);
  ClickInstall(*program_);

  ULONGLONG appeared = 0;
  ASSERT_TRUE(WaitUntil([&] {
    if (!appeared && PrinterExists(kPackageName)) appeared = GetTickCount64();
    return program_->CurrentBox().has_value();
  }));
  const ULONGLONG asked = ExpectQuestion(*program_);
  ASSERT_NE(appeared, 0u) << "the question came before the printer";
  std::printf("[ measure  ] bootstrapper: printer appeared to question %llu ms\n",
              asked - appeared);
  EXPECT_LT(asked - appeared, 1000u);
  EXPECT_EQ(DefaultPrinter(), kPackageName);
}

TEST_F(Commands, AHelperLeftRunningDoesNotDelayTheQuestion) {
  app_->UseSetupFixture(L"e2e_helper_setup.exe");
  ASSERT_NE(StartPastInstructions(), nullptr);
  ClickInstall(*program_);

  ULONGLONG complete = 0;
  ASSERT_TRUE(WaitUntil([&] {
    if (!complete && PrinterExists(kPackageName) && RegistrationExists()) {
      complete = GetTickCount64();
    }
    return program_->CurrentBox().has_value();
  }));
  const ULONGLONG asked = ExpectQuestion(*program_);
  ASSERT_NE(complete, 0u);
  EXPECT_LT(asked - complete, 1000u);
  EXPECT_EQ(ProcessesRunning(Setup()), 1u) << "the helper runs on";
  ExpectCommandControlsEnabled(true);
}

TEST_F(Commands, AChildThatBreaksAwayFromTheJobStillInstalls) {
  app_->UseSetupFixture(L"e2e_breakaway_setup.exe");
  ASSERT_NE(StartPastInstructions(), nullptr);
  ClickInstall(*program_);
  ExpectQuestion(*program_);
  EXPECT_TRUE(PrinterExists(kPackageName));
}

TEST_F(Commands, TwoInstancesClickingInstallAtOnceRunOneSetup) {
  SetEnvironmentVariableW(L"SLOW_SETUP_DELAY_MS", L"6000");
  app_->UseSetupFixture(L"e2e_slow_setup.exe");
  ASSERT_NE(StartPastInstructions(), nullptr);
  ASSERT_NE(StartSecond(), nullptr);

  ClickInstall(*program_);
  ClickInstall(*second_);
  Program* refused = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    if (program_->CurrentBox()) refused = program_.get();
    if (second_->CurrentBox()) refused = second_.get();
    return refused != nullptr;
  }, 5000));
  Program* installing = refused == program_.get() ? second_.get() : program_.get();
  // The lock is taken before the setup starts (its PATH folders are checked
  // first), so the refusal may show a moment before the setup runs.
  EXPECT_TRUE(WaitUntil([&] { return ProcessesRunning(Setup()) == 1u; }, 3000));
  ExpectInProgress(*refused);

  std::size_t most = 0;
  WaitUntil([&] {
    most = std::max(most, ProcessesRunning(Setup()));
    return installing->CurrentBox().has_value();
  });
  EXPECT_EQ(most, 1u);
  ExpectQuestion(*installing);
}

TEST_F(Commands, ASetupLeftRunningByAClosedWindowHoldsOffASecondInstance) {
  SetEnvironmentVariableW(L"SLOW_SETUP_DELAY_MS", L"8000");
  app_->UseSetupFixture(L"e2e_slow_setup.exe");
  ASSERT_NE(StartPastInstructions(), nullptr);
  ClickInstall(*program_);
  ASSERT_TRUE(WaitUntil([&] { return ProcessesRunning(Setup()) == 1; }, 3000));
  program_->Close();
  ASSERT_TRUE(program_->WaitForExit(2000));

  ASSERT_NE(StartSecond(), nullptr);
  ClickInstall(*second_);
  ExpectInProgress(*second_);
  EXPECT_EQ(ProcessesRunning(Setup()), 1u);

  // Once the setup has finished, the lock is free and the next click sees
  // its work.
  ASSERT_TRUE(WaitUntil([&] { return !ProcessRunsUnder(app_->Package()); }, 20000));
  ClickInstall(*second_);
  const auto box = second_->WaitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->text, L"Printer already installed.");
  Press(*box, IDOK);
}

TEST_F(Commands, AnUninstallerThatRunsACopyOfItselfSaysDoneOnlyOnceThePrinterIsGone) {
  ASSERT_TRUE(app_->InstallPackageDirectly());
  const std::wstring folder = InstalledPackageFolder();
  ASSERT_TRUE(MoveFileW((folder + L"\\uninstall.exe").c_str(),
                        (folder + L"\\real-uninstall.exe").c_str()));
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring fixture = self;
  fixture = fixture.substr(0, fixture.find_last_of(L'\\')) + L"\\e2e_copying_uninstall.exe";
  ASSERT_TRUE(CopyFileW(fixture.c_str(), (folder + L"\\uninstall.exe").c_str(), FALSE));

  ASSERT_NE(StartWithPrinterPresent(), nullptr);
  Click(*program_, kPushButton1);
  const auto box = program_->WaitForBox();
  ASSERT_TRUE(box.has_value());
  EXPECT_FALSE(PrinterExists(kPackageName));
  EXPECT_FALSE(RegistrationExists());
  ExpectNotice(L"Done.");
}

}  // namespace
}  // namespace e2e
