// RunAndWait over the Win32 machine, on real processes.
// The machine under test comes first, so that every header after it reads
// the platform's names (windows.h renames some of the port's) the same way.
#include "win32/machine/machine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "core/printer/package.h"
#include "core/printer/package_commands.h"
#include "core/printer/run_and_wait.h"
#include "test_support.h"

namespace tarnwell {
namespace {

using wine_test::Clock;
using wine_test::MillisecondsSince;

std::wstring ChildCommand(const std::wstring& arguments) {
  return L"\"" + wine_test::ChildProgram() + L"\" " + arguments;
}

TEST(RunAndWaitOnWine, HandsBackTheExitCodeAsSigned32Bits) {
  Win32Machine machine;
  struct Case {
    const wchar_t* code;
    std::int32_t expected;
  };
  const Case cases[] = {
      {L"1", 1},
      {L"0", 0},
      {L"3221225477", static_cast<std::int32_t>(0xC0000005u)},
      // The platform's still-running marker as a real exit code: the wait
      // ends because the process has, not because the code changed.
      {L"259", 259},
  };
  for (const Case& c : cases) {
    const auto start = Clock::now();
    EXPECT_EQ(RunAndWait(machine, ChildCommand(std::wstring(L"exit ") + c.code + L" 0")).code,
              c.expected)
        << "exit code " << c.code;
    EXPECT_LT(MillisecondsSince(start), 5000) << "exit code " << c.code;
  }
}

TEST(RunAndWaitOnWine, AMissingProgramFailsAtOnceWithANegativeResult) {
  Win32Machine machine;
  const auto start = Clock::now();
  const std::int32_t result = RunAndWait(machine, L"C:\\windows\\tarnwell-nothing.exe -s -c", 0).code;
  const long long elapsed = MillisecondsSince(start);
  EXPECT_EQ(result, kStartFailureBase + static_cast<std::int32_t>(win_error::kFileNotFound));
  EXPECT_LT(elapsed, static_cast<long long>(kPollMilliseconds));
}

TEST(RunAndWaitOnWine, TheWaitEndsWithTheProcessNotWithItsPause) {
  Win32Machine machine;
  // What starting and ending a child costs by itself, waited for directly
  // (under Wine up to a poll interval's worth on a busy machine), is no part
  // of noticing its end.
  const auto quick = Clock::now();
  std::wstring line = ChildCommand(L"exit 0 0");
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION child{};
  ASSERT_TRUE(CreateProcessW(wine_test::ChildProgram().c_str(), line.data(), nullptr, nullptr,
                             FALSE, 0, nullptr, nullptr, &startup, &child));
  WaitForSingleObject(child.hProcess, INFINITE);
  CloseHandle(child.hThread);
  CloseHandle(child.hProcess);
  const long long start_cost = MillisecondsSince(quick);
  const auto start = Clock::now();
  EXPECT_EQ(RunAndWait(machine, ChildCommand(L"exit 7 300")).code, 7);
  const long long elapsed = MillisecondsSince(start);
  EXPECT_GE(elapsed, 300);
  // Long before a running process's pause (1 s) is over, with room for a busy
  // machine; how soon is the benchmark's figure.
  EXPECT_LT(elapsed - start_cost, 300 + static_cast<long long>(kProcessPauseMilliseconds) / 2);
}

// The started process ends at once; the copy it started runs on.
TEST(RunAndWaitOnWine, WaitsForWhatTheProcessStartedUnlessTheResultIsThere) {
  Win32Machine machine;
  auto start = Clock::now();
  EXPECT_EQ(RunAndWait(machine, ChildCommand(L"tree 5 1500")).code, 5);
  long long elapsed = MillisecondsSince(start);
  EXPECT_GE(elapsed, 1400);
  EXPECT_LT(elapsed, 1500 + 2 * static_cast<long long>(kPollMilliseconds) + 500);

  start = Clock::now();
  EXPECT_EQ(RunAndWait(machine, ChildCommand(L"tree 6 3000"), std::nullopt, [] { return true; }).code,
            6);
  // Well short of the copy's 3 s, with room for a busy machine.
  EXPECT_LT(MillisecondsSince(start), 2500);
}

TEST(CommandLockOnWine, HeldAgainstOtherThreadsUntilLetGo) {
  Win32Machine machine;
  auto taken_elsewhere = [] {
    bool taken = false;
    std::thread other([&] {
      Win32Machine other_machine;
      taken = other_machine.TakeCommandLock() != nullptr;
    });
    other.join();
    return taken;
  };
  std::unique_ptr<CommandLock> lock = machine.TakeCommandLock();
  ASSERT_NE(lock, nullptr);
  EXPECT_FALSE(taken_elsewhere());
  lock.reset();
  EXPECT_TRUE(taken_elsewhere());
}

// What a command starts keeps the lock held after the holder is gone (its
// mutex abandoned), until the process has ended.
TEST(CommandLockOnWine, StaysHeldWhileWhatTheHolderStartedRuns) {
  std::thread holder([] {
    Win32Machine machine;
    std::unique_ptr<CommandLock> lock = machine.TakeCommandLock();
    ASSERT_NE(lock, nullptr);
    const ProcessStart start = machine.StartProcess(wine_test::ChildProgram(), ChildCommand(L"exit 0 1500"), 0);
    ASSERT_TRUE(start.started());
    lock.release();  // as the program's end leaves it: never let go of
  });
  holder.join();
  Win32Machine machine;
  EXPECT_EQ(machine.TakeCommandLock(), nullptr);
  // Free once the 1.5 s child has ended: on a busy machine that may be later.
  std::unique_ptr<CommandLock> taken;
  for (int tries = 0; tries < 100 && !taken; ++tries) {
    Sleep(100);
    taken = machine.TakeCommandLock();
  }
  EXPECT_NE(taken, nullptr);
}

// A second process holds each mutex for ever. The window's turn, which any
// account may take, delays a privileged command by the bound at most; a
// privileged command that hangs makes the next answer "in progress" at
// once. (The command mutex's list, which names nobody else, is read by the
// end-to-end test of the named objects.)
TEST(CommandLockOnWine, AHolderThatNeverLetsGoDelaysACommandByTheBoundAtMost) {
  {
    wine_test::HoldingChild window(
        L"mutex \"Global\\Tarnwell PDF Printer Software window command\"");
    ASSERT_TRUE(window.held());
    Win32Machine machine;
    machine.SetWindowTurnBound(1500);
    const auto start = wine_test::Clock::now();
    std::unique_ptr<CommandLock> lock = machine.TakeCommandLock();
    const long long waited = wine_test::MillisecondsSince(start);
    EXPECT_NE(lock, nullptr);
    EXPECT_GE(waited, 1400);
    EXPECT_LT(waited, 6000);
  }
  wine_test::HoldingChild command(L"mutex \"Global\\Tarnwell PDF Printer Software command\"");
  ASSERT_TRUE(command.held());
  Win32Machine machine;
  const auto start = wine_test::Clock::now();
  EXPECT_EQ(machine.TakeCommandLock(), nullptr);
  EXPECT_LT(wine_test::MillisecondsSince(start), 1000);
}

TEST(RunAndWaitOnWine, TheWindowStyleReachesTheChildsFirstWindow) {
  Win32Machine machine;
  // 1000 + 100 if visible + 10 if minimised + the show state the child got.
  EXPECT_EQ(RunAndWait(machine, ChildCommand(L"show"), 0).code, 1000);
  EXPECT_EQ(RunAndWait(machine, ChildCommand(L"show")).code, 1116);
}

// The setup command line names a program path with blanks. Left to the
// platform's own search, an unquoted one would try "...\Quellmark.exe" before
// the real setup; the program's own (quoted) line must reach setup.exe even
// with such a file planted.
class ProgramPathWithBlanks : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(package_folder_.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(wine_test::ChildProgram().c_str(), setup_.c_str(), FALSE));
  }
  void PlantDecoy() {
    ASSERT_TRUE(CopyFileW(wine_test::ChildProgram().c_str(), decoy_.c_str(), FALSE));
  }

  Win32Machine machine_;
  wine_test::ScratchFolder app_{L"tarnwell-app"};
  std::wstring package_folder_ = app_.path() + L"\\" + package::kName;
  std::wstring setup_ = package_folder_ + L"\\setup.exe";
  std::wstring decoy_ = app_.path() + L"\\Quellmark.exe";
};

// The program is named apart from the command line, so the platform
// searches nothing: the first word, which names no file, is not started, and
// neither is the planted one.
TEST_F(ProgramPathWithBlanks, AnUnquotedPathStartsNothing) {
  PlantDecoy();
  EXPECT_EQ(RunAndWait(machine_, setup_ + L" -s -c", 0).code,
            kStartFailureBase + static_cast<std::int32_t>(win_error::kFileNotFound));
  EXPECT_FALSE(wine_test::Exists(setup_ + L".ran"));
  EXPECT_FALSE(wine_test::Exists(decoy_ + L".ran"));
}

TEST_F(ProgramPathWithBlanks, TheSetupCommandLineNeverRunsAPlantedProgram) {
  PlantDecoy();
  EXPECT_EQ(RunAndWait(machine_, SetupCommandLine(app_.path()), package::kSetupWindowStyle).code, 42);
  EXPECT_TRUE(wine_test::Exists(setup_ + L".ran"));
  EXPECT_FALSE(wine_test::Exists(decoy_ + L".ran"));
}

// A window of the waiting thread, answering WM_APP.
class AnsweringWindow {
 public:
  AnsweringWindow() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = Procedure;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"TarnwellWineTestAnswering";
    RegisterClassW(&window_class);
    window_ = CreateWindowW(window_class.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10,
                            nullptr, nullptr, window_class.hInstance, nullptr);
  }
  AnsweringWindow(const AnsweringWindow&) = delete;
  AnsweringWindow& operator=(const AnsweringWindow&) = delete;
  ~AnsweringWindow() { DestroyWindow(window_); }
  HWND get() const { return window_; }
  static constexpr LRESULT kAnswer = 0x5A5A;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_APP) return kAnswer;
    return DefWindowProcW(window, message, w, l);
  }
  HWND window_ = nullptr;
};

// Every message sent during the wait is answered while the wait still runs;
// how fast is the benchmark's business.
TEST(RunAndWaitOnWine, TheWindowAnswersWhileItWaits) {
  Win32Machine machine;
  AnsweringWindow window;
  ASSERT_NE(window.get(), nullptr);

  std::atomic<bool> waiting{true};
  std::atomic<int> answered_while_waiting{0};
  std::thread sender([&] {
    for (int i = 0; i < 5; ++i) {
      Sleep(250);
      DWORD_PTR answer = 0;
      const LRESULT ok = SendMessageTimeoutW(window.get(), WM_APP, 0, 0, SMTO_NORMAL, 2000,
                                             &answer);
      if (ok && answer == static_cast<DWORD_PTR>(AnsweringWindow::kAnswer) && waiting) {
        ++answered_while_waiting;
      }
    }
  });
  EXPECT_EQ(RunAndWait(machine, ChildCommand(L"exit 0 3000")).code, 0);
  waiting = false;
  sender.join();
  EXPECT_EQ(answered_while_waiting.load(), 5);
}

TEST(StartElevatedOnWine, StartsTheProgramAndHandsBackAWaitableProcess) {
  Win32Machine machine;
  const ProcessStart start = machine.StartElevated(wine_test::ChildProgram(), L"exit 9 0", 0);
  ASSERT_TRUE(start.started()) << "error " << start.error;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!start.process->HasEnded() && std::chrono::steady_clock::now() < deadline) Sleep(20);
  EXPECT_TRUE(start.process->HasEnded());
  EXPECT_EQ(start.process->ExitCode(), std::optional<std::uint32_t>(9u));
}

}  // namespace
}  // namespace tarnwell
