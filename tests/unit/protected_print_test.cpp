// Windows protected print mode, told from its two sources, and the window's
// answer to it and to a Print Spooler service that does not answer.
#include <gtest/gtest.h>

#include <functional>

#include "core/main_window/form1_handlers.h"
#include "core/main_window/install_command.h"
#include "core/main_window/uninstall_command.h"
#include "core/printer/protected_print.h"
#include "fake_machine.h"

namespace tarnwell::testing {
namespace {

const std::wstring kWppKey = L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
const std::wstring kWppValue = L"WindowsProtectedPrintGroupPolicyState";
const std::wstring kSetup = L"C:\\Apps\\Tarnwell\\Quellmark PDF Setup\\setup.exe";

const std::wstring kProtectedPrintText =
    L"Windows protected print mode is on. It allows only Windows' own printer drivers, so this "
    L"PDF printer cannot be installed on this computer.\r\n\r\nTo install it, turn Windows "
    L"protected print mode off in Settings (Bluetooth & devices, Printers & scanners), or ask "
    L"your administrator.";
const std::wstring kSpoolerText =
    L"The Print Spooler service is not running, so the printers cannot be read or installed."
    L"\r\n\r\nTo start it, open Services (services.msc), double-click Print Spooler, set its "
    L"Startup type to Automatic and click Start. If you may not, ask your administrator.";

void SetPolicy(FakeMachine& m, std::uint32_t type, std::vector<std::uint8_t> bytes) {
  m.policies[kWppKey][kWppValue] = {type, std::move(bytes)};
}

// Where Windows answers, its answer decides; where it cannot, only a DWORD 1
// in the policy value turns the mode on.
TEST(ProtectedPrint, WindowsAnswerDecidesAndElseOnlyThePolicyValueOne) {
  struct Case {
    const char* name;
    std::function<void(FakeMachine&)> policy;
    ProtectedPrintAnswer answer;
    bool on;
  };
  const auto dword = [](std::uint8_t low) {
    return [low](FakeMachine& m) { SetPolicy(m, reg::kDword, {low, 0, 0, 0}); };
  };
  const auto absent = [](FakeMachine&) {};
  const auto NA = ProtectedPrintAnswer::NotAvailable;
  const Case cases[] = {
      {"1, no API", dword(1), NA, true},
      {"0, no API", dword(0), NA, false},
      {"absent, no API", absent, NA, false},
      {"2, no API", dword(2), NA, false},
      {"1 as text", [](FakeMachine& m) { SetPolicy(m, reg::kSz, {'1', 0, 0, 0}); }, NA, false},
      {"1 as binary", [](FakeMachine& m) { SetPolicy(m, reg::kBinary, {1, 0, 0, 0}); }, NA,
       false},
      {"1 as QWORD", [](FakeMachine& m) { SetPolicy(m, reg::kQword, {1, 0, 0, 0, 0, 0, 0, 0}); },
       NA, false},
      {"1 in two bytes", [](FakeMachine& m) { SetPolicy(m, reg::kDword, {1, 0}); }, NA, false},
      {"0x101", [](FakeMachine& m) { SetPolicy(m, reg::kDword, {1, 1, 0, 0}); }, NA, false},
      {"unreadable key", [](FakeMachine& m) { m.policy_read_error = 5; }, NA, false},
      {"1 elsewhere",
       [](FakeMachine& m) {
         m.policies[L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers"][kWppValue] = {
             reg::kDword, {1, 0, 0, 0}};
       },
       NA, false},
      {"absent, API on", absent, ProtectedPrintAnswer::On, true},
      {"0, API on", dword(0), ProtectedPrintAnswer::On, true},
      {"1, API off", dword(1), ProtectedPrintAnswer::Off, false},
      {"absent, API off", absent, ProtectedPrintAnswer::Off, false},
      {"1, API on", dword(1), ProtectedPrintAnswer::On, true},
  };
  for (const Case& c : cases) {
    FakeMachine m;
    c.policy(m);
    m.protected_print_answer = c.answer;
    const ProtectedPrintFindings findings = FindProtectedPrintMode(m);
    EXPECT_EQ(findings.on, c.on) << c.name;
    ASSERT_FALSE(findings.lines.empty()) << c.name;
    EXPECT_EQ(findings.lines.back(), c.on ? L"Windows protected print mode is on."
                                          : L"Windows protected print mode is off.")
        << c.name;
  }
}

// With the mode on, Install tells why and runs nothing; with the printer
// there already it says so as before.
TEST(ProtectedPrint, WindowInstallSaysWhyAndRunsNoSetup) {
  for (const bool by_policy : {true, false}) {
    Harness t;
    t.m.AddFile(kSetup);
    t.m.printers = {L"Fax"};
    if (by_policy) {
      SetPolicy(t.m, reg::kDword, {1, 0, 0, 0});
    } else {
      t.m.protected_print_answer = ProtectedPrintAnswer::On;
    }
    PushButton13_Click(t.app);
    ASSERT_EQ(t.m.shown.size(), 1u) << by_policy;
    EXPECT_EQ(t.m.shown[0].text, kProtectedPrintText);
    EXPECT_EQ(t.m.shown[0].caption, L"Tarnwell PDF Printer");
    EXPECT_EQ(t.m.shown[0].kind, kWarning);
    EXPECT_TRUE(t.m.started.empty());
    EXPECT_TRUE(t.m.enabled.empty());  // never busy
    EXPECT_EQ(t.m.locks_held, 0);
  }
  Harness installed;
  installed.m.AddFile(kSetup);
  installed.m.printers = {L"Quellmark PDF Setup"};
  SetPolicy(installed.m, reg::kDword, {1, 0, 0, 0});
  PushButton13_Click(installed.app);
  ASSERT_EQ(installed.m.shown.size(), 1u);
  EXPECT_EQ(installed.m.shown[0].text, L"Printer already installed.");
}

// Wherever the window reads the printers, an error meaning "the spooler does
// not answer" shows how to start it instead of the error report, once, and
// the handler ends; any other error still gets the report.
TEST(Spooler, NotAnsweringGivesTheServiceMessageWhereverTheWindowAsks) {
  struct Place {
    const char* name;
    std::function<void(Harness&)> run;
    bool fails_after_setup;
  };
  const Place places[] = {
      {"start-up", [](Harness& h) { Form_Load(h.app); }, false},
      {"install", [](Harness& h) { PushButton13_Click(h.app); }, false},
      {"install, after the setup", [](Harness& h) { PushButton13_Click(h.app); }, true},
      {"uninstall", [](Harness& h) { PushButton1_Click(h.app); }, false},
  };
  for (const Place& place : places) {
    for (const std::uint32_t error : {1722u, 1753u, 1062u, 5u}) {
      Harness h;
      h.m.AddFile(kSetup);
      h.m.printer_list_error = error;
      if (place.fails_after_setup) {
        h.m.on_start = [&h] { h.m.fail_printer_list = true; };
      } else {
        h.m.fail_printer_list = true;
      }
      place.run(h);
      const std::string what = std::string(place.name) + " " + std::to_string(error);
      ASSERT_FALSE(h.m.shown.empty()) << what;
      if (error == 5u) {
        EXPECT_EQ(h.m.shown[0].caption, L"Application Error") << what;
        continue;
      }
      ASSERT_EQ(h.m.shown.size(), 1u) << what;
      EXPECT_EQ(h.m.shown[0].text, kSpoolerText) << what;
      EXPECT_EQ(h.m.shown[0].kind, kWarning) << what;
      EXPECT_EQ(h.m.started.size(), place.fails_after_setup ? 1u : 0u) << what;
      EXPECT_EQ(h.m.locks_held, 0) << what;
      // The busy state the setup entered is left again.
      if (place.fails_after_setup) {
        for (const auto& [control, on] : h.m.enabled) EXPECT_TRUE(on) << what;
      }
    }
  }
}

}  // namespace
}  // namespace tarnwell::testing
