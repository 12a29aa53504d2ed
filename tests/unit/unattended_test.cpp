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
      {"protected print mode on",
       [](Unattended& t) {
         t.m.policies[L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP"]
                     [L"WindowsProtectedPrintGroupPolicyState"] = {reg::kDword, {1, 0, 0, 0}};
       },
       UnattendedAction::Install, 1625,
       L"Nothing was done: Windows protected print mode allows only Windows' own printer "
       L"drivers", true},
      {"protected print mode on, broken printer",
       [](Unattended& t) {
         t.m.printers = {kPrinter};
         t.m.protected_print_answer = ProtectedPrintAnswer::On;
       },
       UnattendedAction::Install, 1625, L"Windows answers that Windows protected print mode is on.",
       true},
      {"status, protected print mode on",
       [](Unattended& t) { t.m.protected_print_answer = ProtectedPrintAnswer::On; },
       UnattendedAction::Status, 1, L"/install cannot install it here: it answers 1625."},
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
  struct Case {
    UnattendedAction action;
    std::uint32_t package_code;
    bool package_works;
    int code;
    std::wstring logged;
  };
  const Case cases[] = {
      {UnattendedAction::Install, 3010, true, 3010, L"setup answered 3010 (a restart is needed"},
      {UnattendedAction::Install, 1641, true, 1641, L"setup answered 1641 (it has started a"},
      {UnattendedAction::Uninstall, 3010, true, 3010, L"uninstaller answered 3010 (a restart"},
      {UnattendedAction::Install, 1618, false, 1618, L"Try again later"},
  };
  for (const Case& c : cases) {
    Unattended t;
    if (c.action == UnattendedAction::Uninstall) t.Run(UnattendedAction::Install);
    if (!c.package_works) t.m.on_start = nullptr;
    t.m.exit_code = c.package_code;
    EXPECT_EQ(t.Run(c.action, true), c.code) << c.package_code;
    const bool installed = c.package_works == (c.action == UnattendedAction::Install);
    EXPECT_EQ(t.m.printers, installed ? std::vector<std::wstring>{kPrinter}
                                      : std::vector<std::wstring>{})
        << c.package_code;
    EXPECT_EQ(t.m.default_printer, installed ? kPrinter : L"") << c.package_code;
    EXPECT_TRUE(t.log.Has(c.logged)) << c.package_code;
  }
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

// /status over every part the printer needs, named in the log as the
// administrator reads it; /update adds the package's version.
TEST(Unattended, StatusTellsWorkingBrokenOlderAndMissing) {
  struct Case {
    const char* name;
    std::function<void(Unattended&)> arrange;
    bool update;
    int code;
    std::wstring logged;
  };
  const std::wstring beside = kSetup;
  const Case cases[] = {
      {"working", [](Unattended&) {}, false, 0, L"The printer \"Quellmark PDF Setup\" is installed."},
      {"driver gone", [](Unattended& t) { t.m.drivers.clear(); }, false, 2,
       L"Its driver \"Quellmark PDF Driver\" is not installed."},
      {"port gone", [](Unattended& t) { t.m.ports.clear(); }, false, 2,
       L"Its port \"QPDF:\" does not exist."},
      {"one of two pooled ports gone",
       [](Unattended& t) { t.m.printer_parts[kPrinter] = {L"Quellmark PDF Driver", L"QPDF:, LPT9:"}; },
       false, 2, L"Its port \"LPT9:\" does not exist."},
      {"registration gone", [](Unattended& t) { t.m.registry.clear(); }, false, 2,
       L"The package's uninstall registration HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\"
       L"CURRENTVERSION\\Uninstall\\Quellmark PDF Setup is missing."},
      {"name in other case", [](Unattended& t) { t.m.printers = {L"quellmark pdf setup"}; }, false, 1,
       L"is not installed."},
      {"name with more", [](Unattended& t) { t.m.printers = {L"Quellmark PDF Setup (Copy 1)"}; },
       false, 1, L"is not installed."},
      {"older, asked with /update",
       [&](Unattended& t) { t.m.program_versions[beside] = L"7.1.0.0"; }, true, 3,
       L"The installed package has version \"7.0.0.0\"; the one beside this program has version "
       L"\"7.1.0.0\", which is newer."},
      {"older, not asked", [&](Unattended& t) { t.m.program_versions[beside] = L"7.1.0.0"; }, false,
       0, L"is installed."},
      {"same version", [&](Unattended& t) { t.m.program_versions[beside] = L"7.0.0.0"; }, true, 0,
       L"which is not newer."},
      {"no registered version",
       [&](Unattended& t) {
         t.m.registry[kKey].erase(L"DisplayVersion");
         t.m.program_versions[beside] = L"7.1.0.0";
       },
       true, 0, L"no registered version, which cannot be compared"},
  };
  for (const Case& c : cases) {
    Unattended t;
    t.m.printers = {kPrinter};
    t.m.SetRegSz(kKey, L"UninstallString", L"\"" + kFolder + L"\\uninstall.exe\"");
    t.m.SetRegSz(kKey, L"DisplayVersion", L"7.0.0.0");
    c.arrange(t);
    EXPECT_EQ(RunUnattended(t.m, t.log, {UnattendedAction::Status, false, std::nullopt,
                                         std::nullopt, c.update}),
              c.code)
        << c.name;
    EXPECT_TRUE(t.log.Has(c.logged)) << c.name;
    EXPECT_TRUE(t.m.started.empty()) << c.name;
  }
}

// A broken printer is removed (by its uninstaller, or by the spooler when
// none is registered or it leaves the queue) and set up again; the account
// whose default it was keeps it as its default.
TEST(Unattended, InstallRepairsABrokenPrinter) {
  struct Case {
    const char* name;
    std::function<void(Unattended&)> arrange;
    std::vector<std::wstring> started;
  };
  const std::wstring uninstall = L"\"" + kFolder + L"\\uninstall.exe\"";
  const std::wstring setup = L"\"" + kSetup + L"\" -s -c";
  const Case cases[] = {
      {"port gone", [](Unattended& t) { t.m.ports.clear(); }, {uninstall, setup}},
      {"registration gone",
       [](Unattended& t) { t.m.registry.clear(); }, {setup}},
      {"uninstaller leaves the queue",
       [](Unattended& t) {
         t.m.drivers.clear();
         t.m.on_start = [&t] {
           if (t.m.started.back().find(L"setup.exe") == std::wstring::npos) return;
           t.m.printers = {kPrinter};
           t.m.drivers = {L"Quellmark PDF Driver"};
         };
       },
       {uninstall, setup}},
  };
  for (const Case& c : cases) {
    Unattended t;
    t.m.printers = {kPrinter};
    t.m.default_printer = kPrinter;
    t.m.SetRegSz(kKey, L"UninstallString", L"\"" + kFolder + L"\\uninstall.exe\"");
    const auto package = t.m.on_start;
    t.m.on_start = [&t, package] {
      package();
      t.m.ports = {L"QPDF:"};
      if (t.m.printers.empty()) t.m.default_printer.clear();
    };
    c.arrange(t);
    EXPECT_EQ(t.Run(UnattendedAction::Install), exit_code::kDone) << c.name;
    EXPECT_EQ(t.m.started, c.started) << c.name;
    EXPECT_EQ(t.m.printers, std::vector<std::wstring>{kPrinter}) << c.name;
    EXPECT_EQ(t.m.default_printer, kPrinter) << c.name;
    EXPECT_EQ(t.Run(UnattendedAction::Status), exit_code::kDone) << c.name;
  }

  // Run as LocalSystem, nobody's default is touched; a working printer
  // stays as it is.
  Unattended system;
  system.m.local_system = true;
  system.m.printers = {kPrinter};
  system.m.ports.clear();
  system.m.on_start = [&system] {
    system.m.printers = {kPrinter};
    system.m.ports = {L"QPDF:"};
    system.m.SetRegSz(kKey, L"UninstallString", L"\"" + kFolder + L"\\uninstall.exe\"");
  };
  EXPECT_EQ(system.Run(UnattendedAction::Install), exit_code::kDone);
  EXPECT_EQ(system.m.started.size(), 1u);
  EXPECT_TRUE(system.m.default_printer.empty());
  EXPECT_EQ(system.Run(UnattendedAction::Install), exit_code::kDone);
  EXPECT_EQ(system.m.started.size(), 1u);
}

// /install /update replaces an older package; a newer setup that fails
// after the uninstaller leaves no printer, and the next /install installs.
TEST(Unattended, UpdateReplacesAnOlderPackageAndAFailedOneLeavesNoPrinter) {
  Unattended t;
  t.m.printers = {kPrinter};
  t.m.SetRegSz(kKey, L"UninstallString", L"\"" + kFolder + L"\\uninstall.exe\"");
  t.m.SetRegSz(kKey, L"DisplayVersion", L"7.0.0.0");
  t.m.program_versions[kSetup] = L"7.1.0.0";
  EXPECT_EQ(t.Run(UnattendedAction::Install), exit_code::kDone);
  EXPECT_TRUE(t.m.started.empty());  // not without /update

  const auto package = t.m.on_start;
  t.m.on_start = [&t] {  // the uninstaller works, the new setup makes nothing
    if (t.m.started.back().find(L"setup.exe") != std::wstring::npos) return;
    t.m.printers.clear();
    t.m.registry.clear();
  };
  EXPECT_EQ(RunUnattended(t.m, t.log, {UnattendedAction::Install, false, std::nullopt,
                                       std::nullopt, true}),
            exit_code::kFailed);
  EXPECT_TRUE(t.m.printers.empty());
  EXPECT_TRUE(t.log.Has(L"Starting the uninstaller: \"" + kFolder + L"\\uninstall.exe\""));
  EXPECT_TRUE(t.log.Has(L"The printer \"Quellmark PDF Setup\" is not there after the setup."));
  EXPECT_EQ(t.Run(UnattendedAction::Status), exit_code::kNotInstalled);

  t.m.on_start = package;
  EXPECT_EQ(t.Run(UnattendedAction::Install), exit_code::kDone);
  EXPECT_EQ(t.m.printers, std::vector<std::wstring>{kPrinter});
  EXPECT_EQ(t.m.started.size(), 3u);
}

}  // namespace
}  // namespace tarnwell::testing
