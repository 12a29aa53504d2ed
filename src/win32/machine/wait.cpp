#include "win32/machine/wait.h"

#include <algorithm>
#include <chrono>

#include "win32/machine/messages.h"

namespace tarnwell {
namespace {

bool QuitIsPending() {
  MSG msg;
  return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

}  // namespace

void WaitServicingMessages(const std::vector<HANDLE>& handles, unsigned milliseconds) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  const DWORD count = static_cast<DWORD>(std::min<std::size_t>(handles.size(), 63));
  while (true) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return;
    const DWORD timeout = static_cast<DWORD>(left.count());
    const DWORD woke = MsgWaitForMultipleObjectsEx(count, count ? handles.data() : nullptr,
                                                   timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke < WAIT_OBJECT_0 + count) return;
    if (woke == WAIT_OBJECT_0 + count && !QuitIsPending()) {
      DispatchPendingMessages();
    } else if (woke != WAIT_TIMEOUT) {
      // The program is ending (a quit stays queued and would wake every
      // wait) or the wait itself failed: let the rest of the pause pass,
      // still ending it when a handle is signalled.
      if (!count || WaitForMultipleObjects(count, handles.data(), FALSE, timeout) == WAIT_FAILED) {
        Sleep(timeout);
      }
      return;
    }
  }
}

}  // namespace tarnwell
