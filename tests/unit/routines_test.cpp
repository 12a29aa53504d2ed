// RunAndWait, the registry read, command-line handling and the default printer.
#include <gtest/gtest.h>

#include <set>
#include <algorithm>

#include "fake_machine.h"
#include "core/printer/command_line.h"
#include "core/printer/default_printer.h"
#include "core/printer/registry.h"
#include "core/printer/run_and_wait.h"

namespace tarnwell::testing {
namespace {

using namespace std::string_literals;

TEST(RunAndWait, WindowStyle) {
  const std::vector<std::pair<std::optional<int>, int>> cases = {
      {std::nullopt, 6}, {-1, 6}, {7, 6}, {0, 0}, {3, 3}, {6, 6}};
  for (const auto& [given, effective] : cases) {
    FakeMachine m;
    RunAndWait(m, L"C:\\p.exe", given);
    EXPECT_EQ(m.start_show_states, std::vector<int>{effective}) << given.value_or(-99);
  }
}

TEST(RunAndWait, WaitsUntilTheProcessHasEndedPausingWhileItRuns) {
  struct Case { int running_polls; std::uint32_t exit_code; std::int32_t result; };
  for (const Case& c : {Case{0, 1, 1}, Case{4, 0, 0}, Case{1, 259, 259},
                        Case{0, 0xC0000005u, static_cast<std::int32_t>(0xC0000005u)}}) {
    FakeMachine m;
    int serviced = 0;
    m.during_wait = [&] { ++serviced; };
    m.polls_until_exit = c.running_polls;
    m.exit_code = c.exit_code;
    EXPECT_EQ(RunAndWait(m, L"C:\\p.exe").code, c.result);
    EXPECT_EQ(m.pauses, c.running_polls);
    EXPECT_EQ(serviced, c.running_polls + 1);
    EXPECT_EQ(m.live_processes, 0);
  }
}

TEST(RunAndWait, UnreadableExitCodeEndsTheWait) {
  FakeMachine m;
  m.polls_until_exit = 1000;
  m.exit_code_query_fails = true;
  EXPECT_EQ(RunAndWait(m, L"C:\\p.exe").code, 0);
  EXPECT_EQ(m.pauses, 0);
  EXPECT_EQ(m.live_processes, 0);
}

int Pauses(const FakeMachine& m, unsigned milliseconds) {
  return static_cast<int>(
      std::count(m.log.begin(), m.log.end(), L"Pause " + std::to_wstring(milliseconds)));
}

// A bootstrapper: the started process ends at once, its child does the work.
TEST(RunAndWait, FollowsWhatTheProcessStartedUntilTheResultIsThere) {
  FakeMachine m;
  m.polls_until_exit = 0;
  m.exit_code = 7;
  m.others_polls = 6;
  int checks = 0;
  EXPECT_EQ(RunAndWait(m, L"C:\\p.exe", 0, [&] { return ++checks >= 3; }).code, 7);
  EXPECT_EQ(checks, 3);
  EXPECT_EQ(Pauses(m, 100), 2);

  // Without a result to look for, every process started is waited for.
  FakeMachine all;
  all.polls_until_exit = 2;
  all.others_polls = 6;
  RunAndWait(all, L"C:\\p.exe");
  EXPECT_EQ(Pauses(all, 1000), 2);
  EXPECT_EQ(Pauses(all, 100), 6);
  EXPECT_EQ(all.live_processes, 0);
}

TEST(RunAndWait, StartFailureReturnsAtOnceWithANegativeNumber) {
  FakeMachine m;
  m.start_errors = {win_error::kFileNotFound};
  const RunResult r = RunAndWait(m, L"C:\\missing.exe");
  EXPECT_FALSE(r.started);
  EXPECT_EQ(r.code, -2147221502);
  EXPECT_EQ(m.pauses, 0);
  EXPECT_FALSE(m.Logged(L"StartElevated"));
}

TEST(RunAndWait, TextAfterANulNeverReachesTheStart) {
  FakeMachine m;
  RunAndWait(m, L"C:\\u.exe /S\0junk"s);
  EXPECT_EQ(m.started, std::vector<std::wstring>{L"C:\\u.exe /S"});
}

TEST(RunAndWait, ElevationRequiredStartsThroughThePrompt) {
  const std::wstring line = L"\"C:\\A b\\setup.exe\" -s -c";
  FakeMachine m;
  m.start_errors = {win_error::kElevationRequired};
  m.exit_code = 3;
  EXPECT_EQ(RunAndWait(m, line, 0).code, 3);
  EXPECT_TRUE(m.Logged(L"StartElevated C:\\A b\\setup.exe|-s -c"));
  EXPECT_EQ(m.start_show_states, (std::vector<int>{0, 0}));
  EXPECT_EQ(m.live_processes, 0);

  FakeMachine refused;
  refused.start_errors = {win_error::kElevationRequired};
  refused.elevated_start_errors = {win_error::kCancelled};
  const RunResult r = RunAndWait(refused, line);
  EXPECT_FALSE(r.started);
  EXPECT_EQ(r.code, -2147221504 + 1223);
  EXPECT_EQ(refused.pauses, 0);
}

TEST(CommandLine, Split) {
  const std::vector<std::tuple<std::wstring, std::wstring, std::wstring>> cases = {
      {L"\"C:\\A b\\s.exe\" -s -c", L"C:\\A b\\s.exe", L"-s -c"},
      {L"  C:\\u.exe \t /S x", L"C:\\u.exe", L"/S x"},
      {L"u.exe", L"u.exe", L""},
      {L"\"C:\\open quote", L"C:\\open quote", L""},
      {L"   ", L"", L""},
  };
  for (const auto& [line, program, arguments] : cases) {
    const SplitCommand split = SplitCommandLine(line);
    EXPECT_EQ(split.program, program) << line;
    EXPECT_EQ(split.arguments, arguments) << line;
  }
}

TEST(RunAndWait, ProgramWithoutAFullPathIsNotStarted) {
  for (const std::wstring line : {L"p.exe /S", L"\"sub\\p.exe\"", L"C:p.exe"}) {
    FakeMachine m;
    const RunResult r = RunAndWait(m, line);
    EXPECT_FALSE(r.started) << line;
    EXPECT_EQ(r.code, -2147221502) << line;
    EXPECT_TRUE(m.started.empty()) << line;
  }
}

// Which program a registered command may start, and by which full path.
TEST(CommandLine, ResolveRegisteredCommand) {
  const std::set<std::wstring> files = {
      L"C:\\P F\\u.exe", L"C:\\a", L"C:\\a b.exe", L"C:\\Program.exe",
      L"C:\\Windows\\system32\\MsiExec.exe", L"C:\\Windows\\notepad.exe", L"D:\\tools\\t.exe",
      L"C:\\Apps\\Tarnwell\\cmd.exe", L"C:\\Windows\\system32\\cmd.exe", L"rel\\x.exe"};
  // D:\tools and C:\Apps\Tarnwell stand for folders on PATH: never searched.
  const ProgramSearch search{L"C:\\Windows\\system32", L"C:\\Windows"};
  const std::wstring none = L"-";
  const std::wstring long_words = L"C:\\P" + std::wstring(16400, L' ').replace(1, 16399, 16399, L'x');
  std::wstring many_blanks = L"C:\\P F\\u.exe";
  while (many_blanks.size() < kMaxCommandLine - 1) many_blanks += L" a";
  struct Case { std::wstring command, program, line; };
  const std::vector<Case> cases = {
      {L"\"C:\\P F\\u.exe\" /S", L"C:\\P F\\u.exe", L"\"C:\\P F\\u.exe\" /S"},
      {L"  C:\\P F\\u.exe /S /x", L"C:\\P F\\u.exe", L"\"C:\\P F\\u.exe\" /S /x"},
      {L"C:\\a b.exe c", L"C:\\a b.exe", L"\"C:\\a b.exe\" c"},  // the longest prefix wins
      {L"C:\\a c", L"C:\\a", L"\"C:\\a\" c"},
      {L"MsiExec.exe /X{1}", L"C:\\Windows\\system32\\MsiExec.exe",
       L"\"C:\\Windows\\system32\\MsiExec.exe\" /X{1}"},
      {L"notepad x", L"C:\\Windows\\notepad.exe", L"\"C:\\Windows\\notepad.exe\" x"},
      {L"\"t\" /q", none, none},                 // only on PATH: not found
      {L"cmd /c x", L"C:\\Windows\\system32\\cmd.exe", L"\"C:\\Windows\\system32\\cmd.exe\" /c x"},
      {L"C:\\P F\\u.exe\" /S", none, none},      // stray quote: never C:\Program.exe
      {L"C:\\Program Files\\u.exe /S", none, none},  // missing: neither
      {L"\"C:\\P F\\u.exe /S", none, none},      // unclosed quote
      {L"x.exe", none, none},                    // found nowhere
      {L"rel\\x.exe", none, none},               // relative path
      {L"\"rel\\x.exe\"", none, none},
      {L"C:u.exe", none, none},
      {L"..\\u.exe", none, none},
      {L"\"\"", none, none},
      {L"   ", none, none},
      {long_words, none, none},                  // no prefix within 260 characters
      {many_blanks, L"C:\\P F\\u.exe", L"\"C:\\P F\\u.exe\"" + many_blanks.substr(12)},
      {many_blanks + L" a", none, none},          // longer than a command line can be
  };
  for (const Case& c : cases) {
    int lookups = 0;
    const auto resolved = ResolveRegisteredCommand(c.command, search, [&](const std::wstring& p) {
      ++lookups;
      return files.contains(p);
    });
    const std::wstring shown = c.command.substr(0, 60);
    EXPECT_EQ(resolved ? resolved->program : none, c.program) << shown;
    EXPECT_EQ(resolved ? resolved->command_line : none, c.line) << shown;
    EXPECT_LE(lookups, 131) << shown;
  }
}

const std::wstring kKey = L"K";

RegistryValue Read(FakeMachine& m) {
  return ReadRegistryValue(m, RegRoot::LocalMachine, kKey, L"V");
}

TEST(Registry, DecodesStringsAndIntegers) {
  auto sz = [](const std::wstring& text, bool terminated) {
    FakeMachine m;
    m.SetRegSz(kKey, L"V", text, terminated);
    return m.registry[kKey][L"V"];
  };
  const std::vector<std::pair<FakeRegValue, RegistryValue>> cases = {
      {sz(L"abc", true), L"abc"s},
      {sz(L"abc", false), L"abc"s},
      {sz(L"", true), L""s},
      {sz(L"abc\0"s, true), L"abc\0"s},  // only the one stored terminator goes
      {{reg::kExpandSz, sz(L"%TEMP%", true).data}, Empty{}},
      {{reg::kDword, {5, 0, 0, 0}}, std::int32_t{5}},
      {{reg::kDword, {0xFF, 0xFF, 0xFF, 0xFF}}, std::int32_t{-1}},
      {{reg::kDword, {5, 0, 0, 0, 0, 0, 0, 0}}, Empty{}},
      {{reg::kDword, {5, 0}}, Empty{}},
      {{reg::kBinary, {1, 2}}, Empty{}},
      {{reg::kQword, {5, 0, 0, 0, 0, 0, 0, 0}}, Empty{}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    FakeMachine m;
    m.registry[kKey][L"V"] = cases[i].first;
    EXPECT_EQ(Read(m), cases[i].second) << i;
  }
}

TEST(Registry, FailedOrUnsupportedReadsLeaveTheValueAlone) {
  RegistryValue value = std::int32_t{9};
  EXPECT_EQ(DecodeRegistryValue({reg::kFileNotFound, reg::kNone, {}}, value), reg::kFileNotFound);
  EXPECT_EQ(value, RegistryValue{std::int32_t{9}});
  EXPECT_EQ(DecodeRegistryValue({reg::kSuccess, reg::kExpandSz, {'x', 0}}, value),
            kUnsupportedTypeStatus);
  EXPECT_EQ(value, RegistryValue{std::int32_t{9}});
  EXPECT_EQ(DecodeRegistryValue({reg::kSuccess, reg::kSz, {'x', 0, 0, 0}}, value), 0);
  EXPECT_EQ(value, RegistryValue{L"x"s});

  FakeMachine m;
  EXPECT_EQ(Read(m), RegistryValue{Empty{}});  // no such key
}

TEST(DefaultPrinter, ScriptHostThenSpooler) {
  struct Case { bool script_host, spooler, installed, show, result, message; };
  const Case cases[] = {
      {true, true, true, true, true, false},
      {false, true, true, true, true, false},
      {false, false, true, true, false, true},
      {true, true, false, true, false, true},
      {true, true, false, false, false, false},
  };
  for (const Case& c : cases) {
    Harness h;
    if (c.installed) h.m.printers = {L"P"};
    h.m.script_host_works = c.script_host;
    h.m.spooler_works = c.spooler;
    EXPECT_EQ(MakeDefaultPrinter(h.app, L"P", c.show), c.result);
    EXPECT_EQ(h.m.default_printer, c.result ? L"P" : L"");
    ASSERT_EQ(h.m.shown.size(), c.message ? 1u : 0u);
    if (c.message) {
      EXPECT_EQ(h.m.shown[0].text, L"Cannot set printer.");
      EXPECT_EQ(h.m.shown[0].caption, L"Tarnwell PDF Printer");
      EXPECT_EQ(h.m.shown[0].kind, kNotice);
    }
  }
}

}  // namespace
}  // namespace tarnwell::testing
