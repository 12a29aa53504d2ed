// The unattended commands over the in-memory machine: the outcomes Wine
// cannot show (an elevation need, the LocalSystem account) and the decisions
// deployment tools rely on (exit codes, idempotence, the quiet uninstaller).
#include <gtest/gtest.h>

#include <algorithm>

#include "core/printer/registry.h"
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

// The registered uninstall command, run by the unattended mode (and so by
// the package's step, as LocalSystem): of Windows' own programs only the
// system's MsiExec.exe removing a product by its code, always without any
// UI (a dialog in session 0 waits for ever) and without a restart; anything
// else there would run any file.
TEST(Unattended, CommandsFromWindowsFoldersOnlyRemoveAProductByItsCode) {
  const std::wstring code = L"{0B6C5A53-1E0A-4C9F-9A33-2D0E7F1A4B18}";
  const std::wstring msiexec = L"\"C:\\Windows\\system32\\MsiExec.exe\"";
  const std::wstring powershell =
      L"C:\\Windows\\System32\\WindowsPowerShell\\v1.0\\powershell.exe";
  struct Case {
    std::wstring registered;
    std::wstring started;  // empty: refused, 1603, nothing started
  };
  const Case cases[] = {
      {L"MsiExec.exe /X" + code, msiexec + L" /X" + code + L" /qn /norestart"},
      {L"MsiExec.exe /I" + code, msiexec + L" /X" + code + L" /qn /norestart"},
      {L"MsiExec.exe -x " + code + L" /quiet", msiexec + L" /X" + code + L" /quiet /norestart"},
      {L"MsiExec.exe /X" + code + L" /qb-! /norestart",
       msiexec + L" /X" + code + L" /qn /norestart"},
      {L"MsiExec.exe /X" + code + L" /qf", msiexec + L" /X" + code + L" /qn /norestart"},
      {L"MsiExec.exe /X" + code + L" /QR", msiexec + L" /X" + code + L" /qn /norestart"},
      {L"MsiExec.exe /X" + code + L" /qn+", msiexec + L" /X" + code + L" /qn /norestart"},
      {L"MsiExec.exe /X" + code + L" /qb+ /norestart",
       msiexec + L" /X" + code + L" /qn /norestart"},
      {L"MsiExec.exe /X" + code + L" /q+", msiexec + L" /X" + code + L" /qn /norestart"},
      {L"MsiExec.exe /X" + code + L" /qx", L""},
      {L"C:\\Windows\\system32\\MsiExec.exe /x" + code + L" /passive",
       L"\"C:\\Windows\\system32\\MsiExec.exe\" /X" + code + L" /qn /norestart"},
      {L"rundll32.exe C:\\Users\\Public\\remove.dll,Remove", L""},
      {L"cmd.exe /c C:\\Users\\Public\\remove.cmd", L""},
      {L"MsiExec.exe /i C:\\Users\\Public\\remove.msi", L""},
      {L"MsiExec.exe /X" + code + L" /l*v C:\\Windows\\win.ini", L""},
      {L"MsiExec.exe /X" + code + L" TRANSFORMS=C:\\Users\\Public\\x.mst", L""},
      {L"MsiExec.exe /X{0B6C5A53-1E0A-4C9F-9A33}", L""},
      {L"MsiExec.exe /X{0B6C5A53-1E0A-4C9F-9A33-2D0E7F1A4B1G}", L""},
      {L"MsiExec.exe /X" + code + L" /qn /qb", L""},
      {L"MsiExec.exe /qn", L""},
      {L"C:\\Windows\\notepad.exe /X" + code, L""},
      // Every folder below the Windows folder is Windows' own too.
      {powershell + L" -File C:\\Users\\Public\\remove.ps1", L""},
      {L"C:\\WINDOWS\\SysWOW64\\cmd.exe /c C:\\Users\\Public\\remove.cmd", L""},
      {L"C:\\Windows\\Sysnative\\rundll32.exe C:\\Users\\Public\\remove.dll,Remove", L""},
  };
  for (const Case& c : cases) {
    Unattended t;
    for (const wchar_t* program : {L"MsiExec.exe", L"rundll32.exe", L"cmd.exe"}) {
      t.m.AddFile(L"C:\\Windows\\system32\\" + std::wstring(program));
    }
    t.m.AddFile(L"C:\\Windows\\notepad.exe");
    t.m.AddFile(powershell);
    t.m.AddFile(L"C:\\WINDOWS\\SysWOW64\\cmd.exe");
    t.m.AddFile(L"C:\\Windows\\Sysnative\\rundll32.exe");
    t.m.printers = {kPrinter};
    t.m.SetRegSz(kKey, L"UninstallString", c.registered);
    const int code_answered = t.Run(UnattendedAction::Uninstall);
    if (c.started.empty()) {
      EXPECT_EQ(code_answered, exit_code::kFailed) << c.registered;
      EXPECT_TRUE(t.m.started.empty()) << c.registered;
      EXPECT_TRUE(t.log.Has(L"The uninstall command \"" + c.registered + L"\" is refused"))
          << c.registered;
    } else {
      EXPECT_EQ(code_answered, exit_code::kDone) << c.registered;
      EXPECT_EQ(t.m.started, std::vector<std::wstring>{c.started}) << c.registered;
    }
  }
}

// Another program that has a file of what would be started open, so that
// the check cannot share it, or that holds the check up, makes the command
// "try again later", not a failure; the setup's version for /update is
// read only once the setup is held.
TEST(Unattended, AFileInUseIsTriedAgainLaterAndTheVersionIsReadAfterTheHold) {
  const std::wstring busy = L"\"" + kSetup + L"\" is in use by another program (Windows: The "
                            L"process cannot access the file because it is being used by another "
                            L"process.), held by notepad.exe (process 4242)";
  Unattended t;
  t.m.programs_in_use[kSetup] = busy;
  EXPECT_EQ(t.Run(UnattendedAction::Install), exit_code::kAnotherInProgress);
  EXPECT_TRUE(t.log.Has(L"Nothing was started: " + busy + L"; try again later."));
  EXPECT_TRUE(t.m.started.empty());

  t.m.printers = {kPrinter};
  t.m.SetRegSz(kKey, L"UninstallString", L"\"" + kFolder + L"\\uninstall.exe\"");
  t.m.SetRegSz(kKey, L"DisplayVersion", L"7.0.0.0");
  t.m.program_versions[kSetup] = L"7.1.0.0";
  EXPECT_EQ(RunUnattended(t.m, t.log, {UnattendedAction::Install, false, std::nullopt,
                                       std::nullopt, true}),
            exit_code::kAnotherInProgress);
  EXPECT_FALSE(t.m.Logged(L"ProgramVersion"));
  EXPECT_TRUE(t.m.started.empty());

  t.m.programs_in_use.clear();
  t.m.log.clear();
  EXPECT_EQ(RunUnattended(t.m, t.log, {UnattendedAction::Install, false, std::nullopt,
                                       std::nullopt, true}),
            exit_code::kDone);
  const auto hold = std::find(t.m.log.begin(), t.m.log.end(),
                              L"HoldProgramPath " + kSetup + L" and its folder's tree");
  const auto version = std::find(t.m.log.begin(), t.m.log.end(), L"ProgramVersion " + kSetup);
  EXPECT_LT(hold, version);
  EXPECT_NE(version, t.m.log.end());
}

// "In use" answers for one file are counted in a row under the program's
// key in HKEY_LOCAL_MACHINE: at the bound the command fails, naming the
// file and its holder, so that a file held for good is reported instead of
// retried for ever. A check that finds nothing in use ends the run, and
// another file starts one of its own.
TEST(Unattended, AFileHeldForGoodFailsAtTheBoundNamingItsHolder) {
  const std::wstring busy = L"\"" + kSetup + L"\" is in use by another program (Windows: "
                            L"Sharing violation.), held by notepad.exe (process 4242)";
  const auto kept = [](FakeMachine& m) {
    return RegistryValueText(ReadRegistryValue(
        m, RegRoot::LocalMachine, L"SOFTWARE\\Quellmark\\Tarnwell PDF Printer Software",
        L"FileInUse"));
  };
  Unattended t;
  t.m.programs_in_use[kSetup] = busy;
  EXPECT_EQ(t.Run(UnattendedAction::Install), exit_code::kAnotherInProgress);
  EXPECT_EQ(t.Run(UnattendedAction::Install), exit_code::kAnotherInProgress);
  EXPECT_EQ(kept(t.m), L"2|" + kSetup);
  EXPECT_EQ(t.Run(UnattendedAction::Install), exit_code::kFailed);
  EXPECT_TRUE(t.log.Has(L"Nothing was started: " + busy + L". The last 3 commands found it in "
                        L"use: end the program that holds it, or restart the PC, then run the "
                        L"command again."));
  EXPECT_TRUE(t.m.started.empty());

  t.m.programs_in_use.clear();
  EXPECT_EQ(t.Run(UnattendedAction::Install), exit_code::kDone);
  EXPECT_EQ(kept(t.m), L"");

  const std::wstring uninstaller = kFolder + L"\\uninstall.exe";
  t.m.programs_in_use[uninstaller] = L"\"" + uninstaller + L"\" is in use by another program";
  t.m.SetRegSz(L"SOFTWARE\\Quellmark\\Tarnwell PDF Printer Software", L"FileInUse",
               L"2|" + kSetup);
  EXPECT_EQ(t.Run(UnattendedAction::Uninstall), exit_code::kAnotherInProgress);
  EXPECT_EQ(kept(t.m), L"1|" + uninstaller);
}

// The log names a privileged start's temporary folder, and says so when a
// folder made for it could not be removed.
TEST(Unattended, TheLogNamesTheSetupsTemporaryFolderAndWhatBecameOfIt) {
  const std::wstring own = L"C:\\Windows\\SystemTemp";
  const std::wstring made = L"C:\\Windows\\Temp\\Tarnwell-0123456789abcdef";
  struct Case {
    std::wstring folder;
    bool made;
    std::optional<std::wstring> left;
    std::wstring logged;
  };
  const Case cases[] = {
      {own, false, std::nullopt,
       L"The setup's temporary folder (TEMP and TMP): \"C:\\Windows\\SystemTemp\", Windows' "
       L"own for NT AUTHORITY\\SYSTEM."},
      {made, true, std::nullopt,
       L"The setup's temporary folder (TEMP and TMP): \"C:\\Windows\\Temp\\Tarnwell-"
       L"0123456789abcdef\", made for it so that only SYSTEM and the Administrators may use it, "
       L"and removed after it."},
      {made, true, L"it could not be removed: something in it is still in use",
       L"The setup's temporary folder (TEMP and TMP): \"C:\\Windows\\Temp\\Tarnwell-"
       L"0123456789abcdef\", made for it so that only SYSTEM and the Administrators may use it; "
       L"it could not be removed: something in it is still in use."},
  };
  for (const Case& c : cases) {
    Unattended t;
    t.m.local_system = true;
    t.m.temporary_folder = c.folder;
    t.m.temporary_folder_made = c.made;
    t.m.temporary_folder_left = c.left;
    EXPECT_EQ(t.Run(UnattendedAction::Install), exit_code::kDone);
    EXPECT_TRUE(t.log.Has(c.logged)) << c.logged;
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
  EXPECT_TRUE(t.log.Has(L"The installed package was removed before the setup, so no printer "
                        L"\"Quellmark PDF Setup\" is left. A later /install installs it"));
  EXPECT_EQ(t.Run(UnattendedAction::Status), exit_code::kNotInstalled);

  t.m.on_start = package;
  EXPECT_EQ(t.Run(UnattendedAction::Install), exit_code::kDone);
  EXPECT_EQ(t.m.printers, std::vector<std::wstring>{kPrinter});
  EXPECT_EQ(t.m.started.size(), 3u);
}

// A package whose setup program says 7.1.0.123 and whose registration says
// 7.1: /install /update installs it once, fails and says why, and /update
// then takes that package as up to date until a newer one ships. Without
// the rights to remember it, /status /update keeps answering 3.
TEST(Unattended, DifferentVersionSchemesAreInstalledOnceNotOnEveryRun) {
  const std::wstring record_key = L"SOFTWARE\\Quellmark\\Tarnwell PDF Printer Software";
  for (const bool writable : {true, false}) {
    Unattended t;
    t.m.registry_writable = writable;
    t.m.printers = {kPrinter};
    t.m.SetRegSz(kKey, L"UninstallString", L"\"" + kFolder + L"\\uninstall.exe\"");
    t.m.SetRegSz(kKey, L"DisplayVersion", L"7.0");
    t.m.program_versions[kSetup] = L"7.1.0.123";
    t.m.on_start = [&t] {
      if (t.m.started.back().find(L"setup.exe") == std::wstring::npos) {
        t.m.printers.clear();
        t.m.registry.erase(kKey);
        return;
      }
      t.m.printers = {kPrinter};
      t.m.SetRegSz(kKey, L"UninstallString", L"\"" + kFolder + L"\\uninstall.exe\"");
      t.m.SetRegSz(kKey, L"DisplayVersion", L"7.1");
    };
    const UnattendedRequest install_update{UnattendedAction::Install, false, std::nullopt,
                                           std::nullopt, true};
    const UnattendedRequest status_update{UnattendedAction::Status, false, std::nullopt,
                                          std::nullopt, true};
    EXPECT_EQ(RunUnattended(t.m, t.log, install_update), exit_code::kFailed) << writable;
    EXPECT_EQ(t.m.started.size(), 2u) << writable;
    EXPECT_EQ(t.m.printers, std::vector<std::wstring>{kPrinter}) << writable;
    EXPECT_TRUE(t.log.Has(L"The package registered version \"7.1\", which is older than version "
                          L"\"7.1.0.123\" of \"" + kSetup + L"\""))
        << writable;

    t.log.lines.clear();
    if (!writable) {
      EXPECT_EQ(RunUnattended(t.m, t.log, status_update), exit_code::kOlder);
      EXPECT_FALSE(t.m.registry.count(record_key));
      continue;
    }
    EXPECT_EQ(RunUnattended(t.m, t.log, status_update), exit_code::kDone);
    EXPECT_TRUE(t.log.Has(L"which was installed by /install /update and registered itself as "
                          L"\"7.1\": it is up to date."));
    EXPECT_EQ(RunUnattended(t.m, t.log, install_update), exit_code::kDone);
    EXPECT_EQ(t.m.started.size(), 2u);  // the same package is not installed again

    t.m.program_versions[kSetup] = L"7.2.0.5";  // a newer one ships
    EXPECT_EQ(RunUnattended(t.m, t.log, status_update), exit_code::kOlder);
  }
}

}  // namespace
}  // namespace tarnwell::testing
