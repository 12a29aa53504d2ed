// The unattended commands over the in-memory machine: the outcomes Wine
// cannot show (an elevation need, the LocalSystem account) and the decisions
// deployment tools rely on (exit codes, idempotence, the quiet uninstaller).
#include <gtest/gtest.h>

#include <algorithm>

#include "core/unattended/exit_codes.h"
#include "core/unattended/unattended_commands.h"
#include "fake_machine.h"

namespace tarnwell::testing {
namespace {

const std::wstring kPrinter = L"Quellmark PDF Setup";
const std::wstring kSetup = L"C:\\Apps\\Tarnwell\\Quellmark PDF Setup\\setup.exe";
const std::wstring kFolder = L"C:\\Program Files (x86)\\Quellmark PDF Setup";
const std::wstring kKey =
    L"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\Uninstall\\Quellmark PDF Setup";

struct Lines : LogSink {
  std::vector<std::wstring> lines;
  void WriteLine(const std::wstring& text) override { lines.push_back(text); }
  bool Has(const std::wstring& part) const {
    for (const auto& line : lines) {
      if (line.find(part) != std::wstring::npos) return true;
    }
    return false;
  }
};

// The package in place; its setup creates the printer and registration,
// its uninstaller removes them.
struct Unattended {
  FakeMachine m;
  Lines log;
  Unattended() {
    m.folder = L"C:\\Apps\\Tarnwell";
    m.AddFile(kSetup);
    m.AddFile(kFolder, file_attr::kDirectory);
    m.AddFile(kFolder + L"\\uninstall.exe");
    m.AddFile(kFolder + L"\\quiet.exe");
    m.on_start = [this] {
      if (m.started.back().find(L"setup.exe") != std::wstring::npos) {
        m.printers = {kPrinter};
        m.SetRegSz(kKey, L"UninstallString", L"\"" + kFolder + L"\\uninstall.exe\"");
      } else {
        m.printers.clear();
        m.registry.clear();
      }
    };
  }
  int Run(UnattendedAction action, bool set_default = false,
          std::optional<unsigned> timeout_seconds = std::nullopt) {
    return RunUnattended(m, log, {action, set_default, std::nullopt, timeout_seconds});
  }
};

TEST(Unattended, InstallIsIdempotentAndAppliesTheDefaultEachTime) {
  Unattended t;
  EXPECT_EQ(t.Run(UnattendedAction::Install, true), exit_code::kDone);
  EXPECT_EQ(t.m.started.size(), 1u);
  EXPECT_EQ(t.m.start_show_states, std::vector<int>{0});
  EXPECT_EQ(t.m.default_printer, kPrinter);
  EXPECT_EQ(t.Run(UnattendedAction::Status), exit_code::kDone);

  t.m.default_printer.clear();
  EXPECT_EQ(t.Run(UnattendedAction::Install, true), exit_code::kDone);
  EXPECT_EQ(t.m.started.size(), 1u);  // not run again
  EXPECT_EQ(t.m.default_printer, kPrinter);
  EXPECT_TRUE(t.m.shown.empty());
  EXPECT_EQ(t.m.locks_held, 0);
}

TEST(Unattended, FailuresAndTheirExitCodes) {
  struct Case {
    const char* name;
    std::function<void(Unattended&)> arrange;
    UnattendedAction action;
    int code;  // the number deployment tools read
    std::wstring logged;
    bool starts_nothing = false;
  };
  const Case cases[] = {
      {"no package", [](Unattended& t) { t.m.entries.erase(kSetup); }, UnattendedAction::Install,
       1603, L"was not found"},
      {"setup creates nothing", [](Unattended& t) { t.m.on_start = nullptr; },
       UnattendedAction::Install, 1603, L"is not there after the setup"},
      {"needs elevation",
       [](Unattended& t) { t.m.start_errors = {win_error::kElevationRequired}; },
       UnattendedAction::Install, 740, L"administrator rights"},
      {"another command runs", [](Unattended& t) { t.m.lock_held_elsewhere = true; },
       UnattendedAction::Install, 1618, L"in progress"},
      {"no uninstall command",
       [](Unattended& t) {
         t.m.printers = {kPrinter};
         t.m.registry.clear();
       },
       UnattendedAction::Uninstall, 1603, L"registered no uninstall command"},
      {"uninstaller leaves the printer",
       [](Unattended& t) {
         t.m.printers = {kPrinter};
         t.m.SetRegSz(kKey, L"UninstallString", kFolder + L"\\uninstall.exe");
         t.m.on_start = nullptr;
       },
       UnattendedAction::Uninstall, 1603, L"still there after the uninstaller"},
      {"setup another account may change",
       [](Unattended& t) { t.m.unsafe_programs[kSetup] = L"\"C:\\Apps\" is owned by S-1-5-21-7"; },
       UnattendedAction::Install, 1603,
       L"Nothing was started: \"C:\\Apps\" is owned by S-1-5-21-7.", true},
      {"uninstaller another account may change",
       [](Unattended& t) {
         t.m.printers = {kPrinter};
         t.m.SetRegSz(kKey, L"UninstallString", kFolder + L"\\uninstall.exe");
         t.m.unsafe_programs[kFolder + L"\\uninstall.exe"] = L"Users may write to it";
       },
       UnattendedAction::Uninstall, 1603, L"Users may write to it", true},
      {"nothing to remove", [](Unattended&) {}, UnattendedAction::Uninstall, 0,
       L"nothing to do"},
      {"status, not installed", [](Unattended&) {}, UnattendedAction::Status,
       1, L"is not installed"},
      {"spooler stopped",
       [](Unattended& t) {
         t.m.fail_printer_list = true;
         t.m.printer_list_error = 1722;
       },
       UnattendedAction::Status, 1603, L"Print Spooler service is not running"},
  };
  for (const Case& c : cases) {
    Unattended t;
    c.arrange(t);
    EXPECT_EQ(t.Run(c.action), c.code) << c.name;
    EXPECT_TRUE(t.log.Has(c.logged)) << c.name;
    EXPECT_TRUE(t.m.shown.empty()) << c.name;
    EXPECT_FALSE(t.m.Logged(L"StartElevated")) << c.name;
    EXPECT_EQ(t.m.locks_held, 0) << c.name;
    if (c.starts_nothing) {
      EXPECT_TRUE(t.m.started.empty()) << c.name;
    }
  }
}

// A package's own request for a restart, or to be retried, reaches the
// deployment tool instead of becoming 0 or 1603.
TEST(Unattended, RestartAndRetryAnswersOfThePackageArePassedOn) {
  Unattended restart;
  restart.m.exit_code = 3010;
  EXPECT_EQ(restart.Run(UnattendedAction::Install, true), 3010);
  EXPECT_EQ(restart.m.printers, std::vector<std::wstring>{kPrinter});
  EXPECT_EQ(restart.m.default_printer, kPrinter);
  EXPECT_TRUE(restart.log.Has(L"asked for a restart"));

  Unattended busy;
  busy.m.on_start = nullptr;
  busy.m.exit_code = 1618;
  EXPECT_EQ(busy.Run(UnattendedAction::Install), 1618);
  EXPECT_TRUE(busy.m.printers.empty());
  EXPECT_TRUE(busy.log.Has(L"Try again later"));
}

TEST(Unattended, DefaultPrinterIsNotSetForLocalSystem) {
  Unattended t;
  t.m.local_system = true;
  EXPECT_EQ(t.Run(UnattendedAction::Install, true), exit_code::kDone);
  EXPECT_TRUE(t.m.default_printer.empty());
  EXPECT_TRUE(t.log.Has(L"LocalSystem"));
}

TEST(Unattended, UninstallPrefersTheQuietCommand) {
  Unattended t;
  t.m.printers = {kPrinter};
  t.m.SetRegSz(kKey, L"UninstallString", L"\"" + kFolder + L"\\uninstall.exe\"");
  t.m.SetRegSz(kKey, L"QuietUninstallString", L"\"" + kFolder + L"\\quiet.exe\" /S");
  EXPECT_EQ(t.Run(UnattendedAction::Uninstall), exit_code::kDone);
  EXPECT_EQ(t.m.started, std::vector<std::wstring>{L"\"" + kFolder + L"\\quiet.exe\" /S"});
  EXPECT_TRUE(t.log.Has(L"QuietUninstallString"));
  EXPECT_TRUE(t.m.printers.empty());
}

// The fake clock moves 10 ms a reading; a setup polled 1000 times takes
// more than 2 seconds of it, one polled 150 times 1.5 seconds, within them.
TEST(Unattended, TimeLimitEndsTheWholeSetupAndFails) {
  Unattended slow;
  slow.m.polls_until_exit = 1000;
  EXPECT_EQ(slow.Run(UnattendedAction::Install, false, 2u), exit_code::kFailed);
  EXPECT_EQ(std::count(slow.m.log.begin(), slow.m.log.end(), L"EndAll"), 1);
  EXPECT_EQ(slow.m.live_processes, 0);
  EXPECT_TRUE(slow.log.Has(L"did not end within 2 seconds"));

  Unattended quick;
  quick.m.polls_until_exit = 150;
  EXPECT_EQ(quick.Run(UnattendedAction::Install, false, 2u), exit_code::kDone);
  EXPECT_EQ(std::count(quick.m.log.begin(), quick.m.log.end(), L"EndAll"), 0);
  EXPECT_EQ(quick.m.printers, std::vector<std::wstring>{kPrinter});
}

}  // namespace
}  // namespace tarnwell::testing
