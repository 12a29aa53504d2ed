// One command at a time on the whole machine.
//
// The lock is a mutex in the global namespace plus a named job: the mutex
// makes taking the lock atomic between instances, the job keeps it held
// while what a command started still runs, even after the instance that
// started it has ended (its mutex is then abandoned, the job lives on with
// its processes). So the lock is free when the mutex can be taken and the
// job has no live process. Both objects let every account open them, so a
// deployment system's account and a person's window see the same lock; an
// object that cannot be opened for want of access counts as held.
#include <windows.h>
#include <sddl.h>

#include "win32/machine/win32_job.h"
#include "win32/machine/win32_machine.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

constexpr wchar_t kMutexName[] = L"Global\\Tarnwell PDF Printer Software command";
constexpr wchar_t kJobName[] = L"Global\\Tarnwell PDF Printer Software command processes";
constexpr wchar_t kFinishedJobName[] =
    L"Global\\Tarnwell PDF Printer Software finished command processes";
// Everyone may open, wait on and use both objects.
constexpr wchar_t kEveryoneMayOpen[] = L"D:(A;;GA;;;WD)";

struct LocalFreeDeleter {
  void operator()(void* memory) const { LocalFree(memory); }
};
using SecurityDescriptor = std::unique_ptr<void, LocalFreeDeleter>;

SecurityDescriptor EveryoneMayOpen() {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kEveryoneMayOpen, SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    ThrowLastError();
  }
  return SecurityDescriptor(descriptor);
}

class Win32CommandLock : public CommandLock {
 public:
  Win32CommandLock(UniqueHandle mutex, std::shared_ptr<ProcessJob> job)
      : mutex_(std::move(mutex)), job_(std::move(job)) {}
  // The command's wait has ended (or it never started anything): what still
  // runs of it (a resident helper) no longer holds the lock.
  ~Win32CommandLock() override {
    job_->FinishLive();
    ReleaseMutex(mutex_.get());
  }

 private:
  UniqueHandle mutex_;
  std::shared_ptr<ProcessJob> job_;
};

// Owns the mutex on return, or answers why not: held (nullptr, no error) or
// failed (throws).
UniqueHandle TakeMutex(SECURITY_ATTRIBUTES& attributes) {
  UniqueHandle mutex(CreateMutexW(&attributes, FALSE, kMutexName));
  if (!mutex) {
    if (GetLastError() == ERROR_ACCESS_DENIED) return {};
    ThrowLastError();
  }
  const DWORD taken = WaitForSingleObject(mutex.get(), 0);
  if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED) return mutex;
  if (taken == WAIT_TIMEOUT) return {};
  ThrowLastError();
}

}  // namespace

std::unique_ptr<CommandLock> Win32Machine::TakeCommandLock() {
  const SecurityDescriptor descriptor = EveryoneMayOpen();
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
  UniqueHandle mutex = TakeMutex(attributes);
  if (!mutex) return nullptr;
  std::shared_ptr<ProcessJob> job = ProcessJob::OpenNamed(kJobName, kFinishedJobName, &attributes);
  if (!job) {
    const DWORD error = GetLastError();
    ReleaseMutex(mutex.get());
    if (error == ERROR_ACCESS_DENIED) return nullptr;
    throw RunError(DescribeWin32Error(error));
  }
  // An instance that ended during its wait left its processes running.
  if (job->LiveCount() > 0) {
    ReleaseMutex(mutex.get());
    return nullptr;
  }
  command_job_ = job;
  return std::make_unique<Win32CommandLock>(std::move(mutex), std::move(job));
}

std::shared_ptr<ProcessJob> Win32Machine::JobForStart() {
  if (std::shared_ptr<ProcessJob> job = command_job_.lock()) return job;
  return ProcessJob::CreatePrivate();
}

}  // namespace tarnwell
