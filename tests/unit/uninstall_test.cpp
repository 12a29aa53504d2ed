// The uninstall command, PushButton1_Click.
#include <gtest/gtest.h>

#include <functional>

#include "core/main_window/uninstall_command.h"
#include "fake_machine.h"

namespace tarnwell::testing {
namespace {

const std::wstring kPrinter = L"Quellmark PDF Setup";
const std::wstring kFolder = L"C:\\Program Files (x86)\\Quellmark PDF Setup";
const std::wstring kKey =
    L"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\Uninstall\\Quellmark PDF Setup";
const std::wstring kUninstaller = kFolder + L"\\uninstall.exe";
const std::wstring kNotInstalled = L"PDF Printer is not yet installed.";
const std::wstring kNoPath = L"Install path not found.";

std::wstring Report(const std::wstring& description, int line) {
  return ExpectedReport(L"TarnwellPDFPrinter2021/08/31.Form1.PushButton1_Click", description,
                        line);
}

// Printer, folder and registration all in place.
struct Uninstall : Harness {
  Uninstall() {
    m.printers = {L"Fax", kPrinter};
    m.AddFile(kFolder, file_attr::kDirectory);
    m.AddFile(kUninstaller);
    m.SetRegSz(kKey, L"UninstallString", L"\"" + kUninstaller + L"\" /S");
  }
};

TEST(Uninstall, RunsTheRegisteredCommandWhileBusyThenSaysDone) {
  Uninstall t;
  PushButton1_Click(t.app);
  EXPECT_EQ(t.m.started, std::vector<std::wstring>{L"\"" + kUninstaller + L"\" /S"});
  EXPECT_EQ(t.m.started_programs, std::vector<std::wstring>{kUninstaller});
  EXPECT_EQ(t.m.start_show_states, std::vector<int>{6});
  EXPECT_EQ(t.m.live_processes, 0);
  ASSERT_TRUE(t.m.during_first_wait);
  EXPECT_EQ(t.m.during_first_wait->pointer, PointerKind::Hourglass);
  EXPECT_EQ(t.m.during_first_wait->enabled.size(), 4u);
  for (const auto& [control, on] : t.m.during_first_wait->enabled) EXPECT_FALSE(on);
  EXPECT_EQ(t.m.pointer, PointerKind::Normal);
  for (const auto& [control, on] : t.m.enabled) EXPECT_TRUE(on);
  ASSERT_EQ(t.m.shown.size(), 1u);
  EXPECT_EQ(t.m.shown[0].text, L"Done.");
  EXPECT_EQ(t.m.shown[0].caption, L"Tarnwell PDF Printer");
  EXPECT_EQ(t.m.shown[0].kind, kNotice);
}

TEST(Uninstall, EarlyExitsChangeNothing) {
  struct Case {
    const char* name;
    std::function<void(FakeMachine&)> arrange;
    std::wstring message;
  };
  const Case cases[] = {
      {"no printers", [](FakeMachine& m) { m.printers.clear(); }, kNotInstalled},
      {"letter case", [](FakeMachine& m) { m.printers = {L"quellmark PDF Setup"}; }, kNotInstalled},
      {"no folder", [](FakeMachine& m) { m.entries.clear(); }, kNoPath},
      {"hidden folder",
       [](FakeMachine& m) { m.AddFile(kFolder, file_attr::kDirectory | file_attr::kHidden); },
       kNoPath},
      {"no registration", [](FakeMachine& m) { m.registry.clear(); }, kNoPath},
      {"no value", [](FakeMachine& m) { m.registry[kKey].clear(); }, kNoPath},
      {"expandable",
       [](FakeMachine& m) { m.registry[kKey][L"UninstallString"].type = reg::kExpandSz; }, kNoPath},
      {"empty text", [](FakeMachine& m) { m.SetRegSz(kKey, L"UninstallString", L""); }, kNoPath},
  };
  for (const Case& c : cases) {
    Uninstall t;
    c.arrange(t.m);
    PushButton1_Click(t.app);
    ASSERT_EQ(t.m.shown.size(), 1u) << c.name;
    EXPECT_EQ(t.m.shown[0].text, c.message) << c.name;
    EXPECT_EQ(t.m.shown[0].kind, kNotice) << c.name;
    EXPECT_TRUE(t.m.started.empty()) << c.name;
    EXPECT_TRUE(t.m.pointer_history.empty()) << c.name;
    EXPECT_TRUE(t.m.enabled.empty()) << c.name;
  }
}

TEST(Uninstall, PlainFileInTheProgramsFolderPasses) {
  Uninstall t;
  t.m.AddFile(kFolder, file_attr::kReadOnly);
  PushButton1_Click(t.app);
  EXPECT_EQ(t.m.shown.back().text, L"Done.");
}

TEST(Uninstall, UnstartableUninstallerIsReportedAfterTheBusyState) {
  Uninstall t;
  t.m.start_errors = {win_error::kFileNotFound};
  PushButton1_Click(t.app);
  ASSERT_EQ(t.m.shown.size(), 1u);
  EXPECT_EQ(t.m.shown[0].text, L"Uninstaller could not be started.");
  EXPECT_EQ(t.m.shown[0].caption, L"Tarnwell PDF Printer");
  EXPECT_EQ(t.m.shown[0].kind, kWarning);
  EXPECT_EQ(t.m.pointer, PointerKind::Normal);
  EXPECT_EQ(t.m.enabled.size(), 4u);
  for (const auto& [control, on] : t.m.enabled) EXPECT_TRUE(on);
  EXPECT_EQ(t.m.pauses, 0);
}

TEST(Uninstall, UnquotedProgramPathWithBlanksIsQuoted) {
  Uninstall t;
  t.m.SetRegSz(kKey, L"UninstallString", kUninstaller + L" /S /log x");
  PushButton1_Click(t.app);
  EXPECT_EQ(t.m.started, std::vector<std::wstring>{L"\"" + kUninstaller + L"\" /S /log x"});
  EXPECT_EQ(t.m.shown.back().text, L"Done.");
}

// The digits are a bare name ("42.exe") that is found nowhere.
TEST(Uninstall, CommandThatNamesNoProgramStartsNothing) {
  for (const std::wstring& command : std::vector<std::wstring>{
           L"42", L"C:\\Program Files (x86)\\Quellmark PDF Setup\\uninstall.exe\" /S",
        L"uninstall.exe /S", L"Quellmark PDF Setup\\uninstall.exe"}) {
    Uninstall t;
    t.m.AddFile(t.m.folder + L"\\uninstall.exe");
    t.m.AddFile(L"C:\\Program.exe");
    t.m.SetRegSz(kKey, L"UninstallString", command);
    PushButton1_Click(t.app);
    EXPECT_TRUE(t.m.started.empty()) << command;
    ASSERT_EQ(t.m.shown.size(), 1u) << command;
    EXPECT_EQ(t.m.shown[0].text, L"Uninstaller could not be started.");
  }
}

TEST(Uninstall, UnreadablePrinterNameCountsAsFound) {
  Uninstall t;
  t.m.printers = {L"Fax"};
  t.m.fail_printer_name = {0};
  t.m.entries.clear();
  PushButton1_Click(t.app);
  EXPECT_EQ(t.m.shown.size(), 2u);
  EXPECT_EQ(t.m.shown[0].text, Report(L"The printer name cannot be read.", 104));
  EXPECT_EQ(t.m.shown[0].caption, L"Application Error");
  EXPECT_EQ(t.m.shown[1].text, kNoPath);
}

TEST(Uninstall, UnreadablePrinterListCountsAsFound) {
  Uninstall t;
  t.m.fail_printer_list = true;
  PushButton1_Click(t.app);
  ASSERT_EQ(t.m.shown.size(), 3u);
  EXPECT_EQ(t.m.shown[0].text, Report(L"The printer list cannot be read.", 102));
  EXPECT_EQ(t.m.shown[1].text, Report(L"There is no current printer.", 104));
  EXPECT_EQ(t.m.shown[2].text, L"Done.");
}

TEST(Uninstall, OneCommandAtATime) {
  {
    SCOPED_TRACE("held elsewhere");
    Uninstall t;
    t.m.lock_held_elsewhere = true;
    PushButton1_Click(t.app);
    ASSERT_EQ(t.m.shown.size(), 1u);
    EXPECT_EQ(t.m.shown[0].text,
              L"Another installation or removal of the PDF printer is in progress. Please wait "
              L"until it has finished.");
    EXPECT_EQ(t.m.shown[0].caption, L"Tarnwell PDF Printer");
    EXPECT_EQ(t.m.shown[0].kind, kWarning);
    EXPECT_TRUE(t.m.started.empty());
    EXPECT_TRUE(t.m.pointer_history.empty());
  }
  const std::vector<std::function<void(FakeMachine&)>> ways_out = {
      [](FakeMachine&) {},
      [](FakeMachine& m) { m.printers.clear(); },
      [](FakeMachine& m) { m.registry.clear(); },
      [](FakeMachine& m) { m.start_errors = {win_error::kFileNotFound}; },
      [](FakeMachine& m) { m.fail_printer_list = true; },
  };
  for (std::size_t i = 0; i < ways_out.size(); ++i) {
    Uninstall t;
    ways_out[i](t.m);
    int held_at_start = -1;
    t.m.on_start = [&] { held_at_start = t.m.locks_held; };
    PushButton1_Click(t.app);
    EXPECT_EQ(t.m.locks_held, 0) << i;
    EXPECT_EQ(held_at_start, t.m.started.empty() ? -1 : 1) << i;
  }
}

// An uninstaller that starts a copy of itself and ends: "Done." only once
// the printer and the registration are gone.
TEST(Uninstall, DoneWaitsForWhatTheUninstallerStarted) {
  Uninstall t;
  t.m.polls_until_exit = 0;
  t.m.others_polls = 10;
  int polls = 0;
  t.m.during_wait = [&] {
    if (++polls == 2) t.m.printers = {L"Fax"};
    if (polls == 4) t.m.registry.clear();
  };
  PushButton1_Click(t.app);
  EXPECT_EQ(polls, 4);
  ASSERT_EQ(t.m.shown.size(), 1u);
  EXPECT_EQ(t.m.shown[0].text, L"Done.");
}

}  // namespace
}  // namespace tarnwell::testing
