// The install command, PushButton13_Click.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "core/main_window/install_command.h"
#include "fake_machine.h"

namespace tarnwell::testing {
namespace {

const std::wstring kPrinter = L"Quellmark PDF Setup";
const std::wstring kSetup = L"C:\\Apps\\Tarnwell\\Quellmark PDF Setup\\setup.exe";
const std::wstring kPrintersWindow =
    L"C:\\Windows\\system32\\control.exe|Printers|C:\\Windows\\system32|1";
const std::wstring kQuestion =
    L"Printer installed as Quellmark PDF Setup. It is now a virtual printer that is available "
    L"whenever you go to print something in any application.\r\rWould you like me to open the "
    L"Devices and Printers window so you can see this now?";

std::wstring Report(const std::wstring& description, int line) {
  return ExpectedReport(L"TarnwellPDFPrinter2021/08/31.Form1.PushButton13_Click", description,
                        line);
}

// Package in place; the setup program creates the printer when started.
struct Install : Harness {
  Install() {
    m.AddFile(kSetup);
    m.on_start = [this] { m.printers.push_back(kPrinter); };
  }
  std::vector<std::wstring> Texts() const {
    std::vector<std::wstring> texts;
    for (const auto& s : m.shown) texts.push_back(s.text);
    return texts;
  }
};

TEST(Install, Option1AndYesInstallSetTheDefaultAndOpenThePrinters) {
  Install t;
  t.m.printers = {L"Fax"};
  t.m.answers = {Answer::Yes};
  PushButton13_Click(t.app);
  EXPECT_EQ(t.m.started, std::vector<std::wstring>{L"\"" + kSetup + L"\" -s -c"});
  EXPECT_EQ(t.m.start_show_states, std::vector<int>{0});
  EXPECT_EQ(t.m.live_processes, 0);
  // Busy while the setup runs: hourglass, the four controls disabled.
  ASSERT_TRUE(t.m.during_first_wait);
  EXPECT_EQ(t.m.during_first_wait->pointer, PointerKind::Hourglass);
  EXPECT_EQ(t.m.during_first_wait->enabled,
            (std::map<Control, bool>{{Control::Option1, false}, {Control::Option2, false},
                                     {Control::PushButton13, false},
                                     {Control::PushButton1, false}}));
  // Back afterwards, the default set, the question asked, the window opened.
  EXPECT_EQ(t.m.pointer, PointerKind::Normal);
  for (const auto& [control, on] : t.m.enabled) EXPECT_TRUE(on);
  EXPECT_EQ(t.m.default_printer, kPrinter);
  ASSERT_EQ(t.Texts(), std::vector<std::wstring>{kQuestion});
  EXPECT_EQ(t.m.shown[0].caption, L"View Printers");
  EXPECT_EQ(t.m.shown[0].kind, tarnwell::kQuestion);
  EXPECT_EQ(t.m.opened, std::vector<std::wstring>{kPrintersWindow});
}

TEST(Install, PackageNotFoundChangesNothing) {
  for (const std::optional<std::uint32_t> attributes :
       {std::optional<std::uint32_t>(), std::optional(file_attr::kHidden),
        std::optional(file_attr::kSystem), std::optional(file_attr::kDirectory)}) {
    Install t;
    t.m.entries.clear();
    if (attributes) t.m.AddFile(kSetup, *attributes);
    PushButton13_Click(t.app);
    EXPECT_EQ(t.Texts(), std::vector<std::wstring>{L"Quellmark PDF Setup not found."});
    EXPECT_EQ(t.m.shown[0].caption, L"Tarnwell PDF Printer");
    EXPECT_EQ(t.m.shown[0].kind, kNotice);
    EXPECT_FALSE(t.m.Logged(L"ReadPrinterList"));
    EXPECT_TRUE(t.m.started.empty());
    EXPECT_TRUE(t.m.enabled.empty());
  }
}

TEST(Install, OnlyTheExactNameCountsAsInstalled) {
  const std::vector<std::pair<std::vector<std::wstring>, bool>> cases = {
      {{kPrinter}, true},
      {{L"A", kPrinter, L"B"}, true},
      {{L"A", L"B", kPrinter}, true},
      {{}, false},
      {{L"quellmark pdf setup"}, false},
      {{L"Quellmark PDF Setup (Copy 1)", L"Quellmark PDF Setu"}, false},
  };
  for (const auto& [printers, installed] : cases) {
    Install t;
    t.m.printers = printers;
    PushButton13_Click(t.app);
    EXPECT_EQ(t.m.started.empty(), installed) << printers.size();
    if (installed) {
      EXPECT_EQ(t.Texts(), std::vector<std::wstring>{L"Printer already installed."});
      EXPECT_EQ(t.m.shown[0].kind, kNotice);
      EXPECT_TRUE(t.m.pointer_history.empty());
      EXPECT_TRUE(t.m.enabled.empty());
    } else {
      EXPECT_EQ(t.Texts(), std::vector<std::wstring>{kQuestion});
    }
  }
}

TEST(Install, Option2LeavesTheDefaultPrinterAndNoEndsIt) {
  Install t;
  t.m.printers = {L"Fax"};
  t.m.default_printer = L"Fax";
  t.m.selected = {Control::Option2};
  t.m.exit_code = 1603;
  PushButton13_Click(t.app);
  EXPECT_EQ(t.m.default_printer, L"Fax");
  EXPECT_TRUE(t.m.opened.empty());
  EXPECT_EQ(t.Texts(), std::vector<std::wstring>{kQuestion});
}

TEST(Install, DefaultPrinterFailureIsSilent) {
  Install t;
  t.m.script_host_works = false;
  t.m.spooler_works = false;
  PushButton13_Click(t.app);
  EXPECT_TRUE(t.m.default_printer.empty());
  EXPECT_EQ(t.Texts(), std::vector<std::wstring>{kQuestion});
}

TEST(Install, SetupThatCreatesNoPrinterIsReportedInsteadOfTheQuestion) {
  Install t;
  t.m.on_start = nullptr;
  t.m.start_errors = {win_error::kFileNotFound};
  PushButton13_Click(t.app);
  ASSERT_EQ(t.Texts(), std::vector<std::wstring>{L"Printer installation failed."});
  EXPECT_EQ(t.m.shown[0].caption, L"Tarnwell PDF Printer");
  EXPECT_EQ(t.m.shown[0].kind, kWarning);
  EXPECT_EQ(t.m.pointer, PointerKind::Normal);
  for (const auto& [control, on] : t.m.enabled) EXPECT_TRUE(on);
  EXPECT_EQ(t.m.enabled.size(), 4u);
}

TEST(Install, UnreadablePrinterListStopsBeforeTheSetup) {
  Install t;
  t.m.fail_printer_list = true;
  PushButton13_Click(t.app);
  // 102 fails; with no current printer the comparison at 104 fails too and
  // its guarded step 106 follows.
  ASSERT_EQ(t.m.shown.size(), 3u);
  EXPECT_EQ(t.m.shown[0].text, Report(L"The printer list cannot be read.", 102));
  EXPECT_EQ(t.m.shown[0].caption, L"Application Error");
  EXPECT_EQ(t.m.shown[1].text, Report(L"There is no current printer.", 104));
  EXPECT_EQ(t.m.shown[2].text, L"Printer already installed.");
  EXPECT_TRUE(t.m.started.empty());
}

TEST(Install, UnreadablePrinterNameLeadsToTheStepItGuards) {
  for (const std::size_t bad : {0u, 1u}) {
    Install t;
    t.m.printers = {L"A", L"B"};
    t.m.fail_printer_name = {bad};
    PushButton13_Click(t.app);
    EXPECT_EQ(t.Texts(), (std::vector<std::wstring>{
                             Report(L"The printer name cannot be read.", 104),
                             L"Printer already installed."}));
    EXPECT_EQ(t.m.CountLog(L"PrinterName"), static_cast<int>(bad) + 1);
  }
}

TEST(Install, FailingCheckBeforeTheQuestionOpensThePrintersWindow) {
  Install t;
  t.m.on_start = [&t] { t.m.fail_printer_list = true; };
  PushButton13_Click(t.app);
  EXPECT_EQ(t.Texts(),
            std::vector<std::wstring>{Report(L"The printer list cannot be read.", 136)});
  EXPECT_EQ(t.m.opened, std::vector<std::wstring>{kPrintersWindow});
}

const std::wstring kInProgress =
    L"Another installation or removal of the PDF printer is in progress. Please wait until it "
    L"has finished.";

TEST(Install, AnotherCommandInProgressEndsItBeforeAnythingIsLookedAt) {
  Install t;
  t.m.lock_held_elsewhere = true;
  PushButton13_Click(t.app);
  ASSERT_EQ(t.Texts(), std::vector<std::wstring>{kInProgress});
  EXPECT_EQ(t.m.shown[0].caption, L"Tarnwell PDF Printer");
  EXPECT_EQ(t.m.shown[0].kind, kWarning);
  EXPECT_TRUE(t.m.started.empty());
  EXPECT_TRUE(t.m.enabled.empty());
  EXPECT_TRUE(t.m.pointer_history.empty());
}

TEST(Install, TheLockIsHeldForTheSetupAndLetGoOfOnEveryWayOut) {
  struct Case {
    const char* name;
    std::function<void(FakeMachine&)> arrange;
    bool setup_runs;
  };
  const Case cases[] = {
      {"installed", [](FakeMachine&) {}, true},
      {"package missing", [](FakeMachine& m) { m.entries.clear(); }, false},
      {"already installed", [](FakeMachine& m) { m.printers = {kPrinter}; }, false},
      {"printer list unreadable", [](FakeMachine& m) { m.fail_printer_list = true; }, false},
      {"setup not started",
       [](FakeMachine& m) { m.start_errors = {win_error::kFileNotFound}; }, true},
  };
  for (const Case& c : cases) {
    Install t;
    c.arrange(t.m);
    int held_at_start = -1;
    const auto start = t.m.on_start;
    t.m.on_start = [&] { held_at_start = t.m.locks_held; start(); };
    PushButton13_Click(t.app);
    EXPECT_EQ(t.m.locks_held, 0) << c.name;
    EXPECT_EQ(held_at_start, c.setup_runs ? 1 : -1) << c.name;
  }
  // Let go of as soon as the wait has ended, before the question is asked.
  Install t;
  PushButton13_Click(t.app);
  const auto release = std::find(t.m.log.begin(), t.m.log.end(), L"ReleaseCommandLock");
  const auto question = std::find(t.m.log.begin(), t.m.log.end(), L"Message " + kQuestion);
  EXPECT_LT(release, question);
}

TEST(Install, ALockThatCannotBeMadeIsReportedAndTheInstallGoesOn) {
  Install t;
  t.m.lock_fails = true;
  PushButton13_Click(t.app);
  EXPECT_EQ(t.Texts(), (std::vector<std::wstring>{Report(L"Access is denied.", 98), kQuestion}));
}

// A bootstrapper: the setup ends at once, its child adds the printer later.
TEST(Install, TheQuestionWaitsForWhatTheSetupStarted) {
  Install t;
  t.m.on_start = nullptr;
  t.m.polls_until_exit = 0;
  t.m.others_polls = 5;
  t.m.SetRegSz(L"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\Uninstall\\Quellmark PDF Setup",
               L"UninstallString", L"u.exe");
  int polls = 0;
  t.m.during_wait = [&] {
    if (++polls == 3) t.m.printers.push_back(kPrinter);
  };
  PushButton13_Click(t.app);
  EXPECT_EQ(t.Texts(), std::vector<std::wstring>{kQuestion});
  EXPECT_EQ(t.m.default_printer, kPrinter);
  EXPECT_EQ(polls, 3);
}

}  // namespace
}  // namespace tarnwell::testing
