// A program for the log tests to start, several at once:
//   wine_log_writer <log file> <tag> <count> <event prefix>
// opens the log, sets the event "<prefix>-ready-<tag>", waits for
// "<prefix>-go", then writes <count> lines "writer <tag> line <n> ü€😀" as
// fast as it can. Its arguments come through the program's own splitting of
// the command line, so a log path with blanks and non-ASCII is a test of it.
// Exit code: 0 when all went as told; 2 bad arguments; 3 no log; 4 no start.
#include <windows.h>

#include <cwchar>
#include <string>

#include "win32/unattended/command_line_words.h"
#include "win32/unattended/log_file.h"
#include "win32_common/scoped_handle.h"

namespace {

constexpr DWORD kStartTimeoutMs = 30000;

bool SignalReadyAndAwaitGo(const std::wstring& prefix, const std::wstring& tag) {
  const tarnwell::UniqueHandle ready(
      OpenEventW(EVENT_MODIFY_STATE, FALSE, (prefix + L"-ready-" + tag).c_str()));
  const tarnwell::UniqueHandle go(OpenEventW(SYNCHRONIZE, FALSE, (prefix + L"-go").c_str()));
  if (!ready || !go || !SetEvent(ready.get())) return false;
  return WaitForSingleObject(go.get(), kStartTimeoutMs) == WAIT_OBJECT_0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const auto words = tarnwell::ProcessCommandLineWords();
  if (!words || words->size() != 4) ExitProcess(2);
  const std::wstring& tag = (*words)[1];
  const unsigned long count = std::wcstoul((*words)[2].c_str(), nullptr, 10);

  tarnwell::LogFile log((*words)[0]);
  if (!log.is_open()) ExitProcess(3);
  if (!SignalReadyAndAwaitGo((*words)[3], tag)) ExitProcess(4);
  for (unsigned long n = 1; n <= count; ++n) {
    log.WriteLine(L"writer " + tag + L" line " + std::to_wstring(n) + L" \u00FC\u20AC\U0001F600");
  }
  ExitProcess(0);
}
