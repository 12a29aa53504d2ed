#include "win32_common/bounded_open.h"

#include <utility>

namespace tarnwell {
namespace {

// After the deadline, how long the open may take to come back, and how
// often it is cancelled meanwhile.
constexpr DWORD kCancelWaitMs = 1000;
constexpr DWORD kCancelRepeatMs = 20;

// What the worker and the waiting thread share. Whichever of them is last
// to hold it frees it; `owner` says who keeps the handle.
struct OpenState {
  std::function<HANDLE()> open;
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD error = 0;
  enum : LONG { kUndecided, kFinished, kAbandoned };
  LONG owner = kUndecided;
};

DWORD WINAPI OpenOnWorker(void* parameter) {
  const std::unique_ptr<std::shared_ptr<OpenState>> held(
      static_cast<std::shared_ptr<OpenState>*>(parameter));
  OpenState& state = **held;
  const HANDLE file = state.open();
  state.error = GetLastError();
  state.file = file;
  if (InterlockedCompareExchange(&state.owner, OpenState::kFinished, OpenState::kUndecided) ==
          OpenState::kAbandoned &&
      file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);  // the waiter has given up on it
  }
  return 0;
}

// Keeps this module's code loaded for good: a worker that was given up on
// still runs it when its open comes back, after the caller may have let go
// of a DLL holding it.
void PinThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCWSTR>(&OpenOnWorker), &module);
}

}  // namespace

BoundedOpen OpenBefore(const Deadline& deadline, std::function<HANDLE()> open) {
  auto state = std::make_shared<OpenState>();
  state->open = std::move(open);
  auto* for_worker = new std::shared_ptr<OpenState>(state);
  const UniqueHandle worker(CreateThread(nullptr, 0, OpenOnWorker, for_worker, 0, nullptr));
  BoundedOpen result;
  if (!worker) {
    result.error = GetLastError();
    delete for_worker;
    return result;
  }
  if (WaitForSingleObject(worker.get(), deadline.Remaining()) != WAIT_OBJECT_0) {
    // A cancel that comes before the open has begun to wait finds nothing
    // to cancel, so it is repeated until the worker ends, or gives up.
    const ULONGLONG give_up = GetTickCount64() + kCancelWaitMs;
    do {
      CancelSynchronousIo(worker.get());
    } while (WaitForSingleObject(worker.get(), kCancelRepeatMs) == WAIT_TIMEOUT &&
             GetTickCount64() < give_up);
  }
  // The worker's end is not needed: what counts is whether it finished.
  if (InterlockedCompareExchange(&state->owner, OpenState::kAbandoned, OpenState::kUndecided) ==
      OpenState::kUndecided) {
    PinThisModule();
    result.timed_out = true;
    result.error = ERROR_TIMEOUT;
    return result;
  }
  result.file.reset(state->file);
  result.error = state->error;
  // A cancelled open that came back in time counts as one that did not.
  if (!result.file && result.error == ERROR_OPERATION_ABORTED) {
    result.timed_out = true;
    result.error = ERROR_TIMEOUT;
  }
  return result;
}

BoundedOpen CreateFileBefore(const Deadline& deadline, const std::wstring& path, DWORD access,
                             DWORD share, DWORD disposition, DWORD flags,
                             std::shared_ptr<void> security) {
  return OpenBefore(deadline, [path, access, share, disposition, flags, security] {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.get(), FALSE};
    return CreateFileW(path.c_str(), access, share, security ? &attributes : nullptr,
                       disposition, flags, nullptr);
  });
}

}  // namespace tarnwell
