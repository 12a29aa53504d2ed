// One command at a time on the whole machine.
//
// The lock is a mutex in the global namespace plus a named job: the mutex
// makes taking the lock atomic between instances, the job keeps it held
// while what a command started still runs, even after the instance that
// started it has ended (its mutex is then abandoned, the job lives on with
// its processes). So the lock is free when the mutex can be taken and no
// job of the lock has a live process.
//
// Two mutexes. The command mutex is for privileged instances only
// (LocalSystem, or elevated): only LocalSystem and the Administrators group
// may open it at all, so no other account can wait on it, own it when a
// command lets go, and keep it; one that another account made first is not
// this program's (1603, not "in progress"). Two privileged commands exclude
// each other through it.
//
// The window mutex is the turn of a window a standard user started: such a
// window cannot open the command mutex, so it takes this one, which every
// account may wait on and release. A privileged instance takes it too while
// it runs, so a window sees "in progress"; but as any account may hold it,
// a privileged instance waits for it only up to a bound and then goes on
// without it. Going on is safe because a standard user's window runs a setup
// only through the elevation prompt, and the package's setup itself refuses
// to run beside another install (it answers 1618, which the command passes
// on): past the bound the setups' own serialization is what keeps them
// apart, and a person holding the window's turn can delay a deployment by
// the bound, never stall it.
//
// Every account may query the jobs, but only LocalSystem, the
// Administrators group and the account that made an object have full access
// to it: no other account can end, limit, join or re-secure a command's
// processes. An instance that may not use the shared job (another account
// made it) puts its processes into a job named for its own account
// ("... command processes S-1-5-..."), and waits on the shared one's live
// processes too; every instance also waits on LocalSystem's.
#include <windows.h>
#include <aclapi.h>

#include <string>

#include "core/port/run_error.h"
#include "win32/machine/job.h"
#include "win32/machine/machine.h"
#include "win32_common/account_security.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/win32_error.h"

namespace tarnwell {
namespace {

constexpr wchar_t kMutexName[] = L"Global\\Tarnwell PDF Printer Software command";
constexpr wchar_t kWindowMutexName[] = L"Global\\Tarnwell PDF Printer Software window command";
constexpr wchar_t kJobName[] = L"Global\\Tarnwell PDF Printer Software command processes";
constexpr wchar_t kFinishedJobName[] =
    L"Global\\Tarnwell PDF Printer Software finished command processes";
// What other accounts may do with the window mutex: wait for it and release
// it, which is what taking a turn needs; with a job: wait on it and query it.
constexpr DWORD kMutexTurnRights = SYNCHRONIZE | MUTEX_MODIFY_STATE;
constexpr wchar_t kOthersMayTakeTurns[] = L"(A;;0x00100001;;;WD)";
constexpr wchar_t kOthersMayQuery[] = L"(A;;0x00100004;;;WD)";

// `mutex` owned once it was had within `milliseconds`, or an empty one.
OwnedMutex WaitForMutex(UniqueHandle mutex, DWORD milliseconds) {
  const DWORD taken = WaitForSingleObject(mutex.get(), milliseconds);
  if (taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED) return OwnedMutex(std::move(mutex));
  if (taken == WAIT_TIMEOUT) return {};
  ThrowLastError();
}

[[noreturn]] void ThrowNameTaken(const wchar_t* name) {
  throw RunError(L"The lock's name \"" + std::wstring(name) +
                 L"\" is taken by an object this program did not make.");
}

class Win32CommandLock : public CommandLock {
 public:
  Win32CommandLock(OwnedMutex mutex, OwnedMutex window, std::shared_ptr<ProcessJob> job)
      : mutex_(std::move(mutex)), window_(std::move(window)), job_(std::move(job)) {}
  // The command's wait has ended (or it never started anything): what still
  // runs of it (a resident helper) no longer holds the lock. The mutex goes
  // after this, with the members.
  ~Win32CommandLock() override { job_->FinishLive(); }

 private:
  OwnedMutex mutex_;
  OwnedMutex window_;
  std::shared_ptr<ProcessJob> job_;
};

// The command mutex taken, or an empty one when another holder has it.
// A name that is not our mutex, refuses us, or was made by another account
// throws.
OwnedMutex TakeCommandMutex() {
  const SecurityDescriptor descriptor = TrustedAccountsDescriptor(L"GA", L"");
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
  // READ_CONTROL: an existing one's owner is read.
  UniqueHandle mutex(CreateMutexExW(&attributes, kMutexName, 0,
                                    SYNCHRONIZE | MUTEX_MODIFY_STATE | READ_CONTROL));
  if (!mutex) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_HANDLE) ThrowNameTaken(kMutexName);
    ThrowLastError();
  }
  if (GetLastError() == ERROR_ALREADY_EXISTS && !HasTrustedOwner(mutex.get(), SE_KERNEL_OBJECT)) {
    ThrowNameTaken(kMutexName);
  }
  return WaitForMutex(std::move(mutex), 0);
}

// The window mutex, opened with the rights a turn needs; empty when the
// name is taken by what this program did not make.
UniqueHandle OpenWindowMutex() {
  const SecurityDescriptor descriptor = TrustedAccountsDescriptor(L"GA", kOthersMayTakeTurns);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
  return UniqueHandle(CreateMutexExW(&attributes, kWindowMutexName, 0, kMutexTurnRights));
}

struct OpenedJob {
  UniqueHandle handle;
  bool ours = false;  // full access, and made by an account we trust
};

// Makes or opens one named job. One made by another account is opened to be
// queried only; a name that is no job, or refuses even that, throws.
OpenedJob OpenJob(const wchar_t* name, SECURITY_ATTRIBUTES& attributes) {
  UniqueHandle job(CreateJobObjectW(&attributes, name));
  if (job) {
    const bool made_here = GetLastError() != ERROR_ALREADY_EXISTS;
    const bool ours = made_here || HasTrustedOwner(job.get(), SE_KERNEL_OBJECT);
    return {std::move(job), ours};
  }
  if (GetLastError() == ERROR_ACCESS_DENIED) {
    UniqueHandle query(OpenJobObjectW(JOB_OBJECT_QUERY, FALSE, name));
    if (query) return {std::move(query), false};
  }
  const DWORD error = GetLastError();
  if (error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_HANDLE) ThrowNameTaken(name);
  ThrowLastError();
}

struct JobPair {
  std::shared_ptr<ProcessJob> job;
  bool ours = false;
};

JobPair OpenJobPair(const std::wstring& name, const std::wstring& finished_name) {
  const SecurityDescriptor descriptor = TrustedAccountsDescriptor(L"GA", kOthersMayQuery);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
  OpenedJob all = OpenJob(name.c_str(), attributes);
  OpenedJob finished = OpenJob(finished_name.c_str(), attributes);
  const bool ours = all.ours && finished.ours && ProcessJob::AllowBreakaway(all.handle.get());
  return {std::make_shared<ProcessJob>(std::move(all.handle), std::move(finished.handle)), ours};
}

// The live processes of another account's jobs, when they exist.
DWORD LiveInExisting(const std::wstring& name, const std::wstring& finished_name) {
  UniqueHandle all(OpenJobObjectW(JOB_OBJECT_QUERY, FALSE, name.c_str()));
  if (!all) return 0;
  UniqueHandle finished(OpenJobObjectW(JOB_OBJECT_QUERY, FALSE, finished_name.c_str()));
  return ProcessJob(std::move(all), std::move(finished)).LiveCount();
}

}  // namespace

std::unique_ptr<CommandLock> Win32Machine::TakeCommandLock() {
  // Released on every way out but the lock's own.
  const bool privileged = RunsElevatedOrAsLocalSystem();
  OwnedMutex mutex;
  OwnedMutex window;
  if (privileged) {
    mutex = TakeCommandMutex();
    if (!mutex) return nullptr;
    // A command waits for a window's turn up to the bound, then goes on
    // without it; a name another account took is gone on without too. A
    // window does not wait: a person is told "in progress" and may retry.
    if (UniqueHandle opened = OpenWindowMutex()) {
      window = WaitForMutex(std::move(opened), window_ ? 0 : window_turn_bound_ms_);
      if (!window && window_) return nullptr;
    }
  } else {
    UniqueHandle opened = OpenWindowMutex();
    if (!opened) {
      if (GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_INVALID_HANDLE) {
        ThrowNameTaken(kWindowMutexName);
      }
      ThrowLastError();
    }
    window = WaitForMutex(std::move(opened), 0);
    if (!window) return nullptr;
  }
  JobPair shared = OpenJobPair(kJobName, kFinishedJobName);
  // An instance that ended during its wait left its processes running.
  DWORD live = shared.job->LiveCount();
  std::shared_ptr<ProcessJob> job = shared.job;
  const std::wstring account = L" " + CurrentAccountSid();
  // A deployment tool's LocalSystem run that had to use a job of its own.
  const std::wstring system = L" S-1-5-18";
  if (account != system) live += LiveInExisting(kJobName + system, kFinishedJobName + system);
  if (!shared.ours) {
    JobPair own = OpenJobPair(kJobName + account, kFinishedJobName + account);
    live += own.job->LiveCount();
    // Both names taken by others: this command's processes go into a job
    // only this instance knows; the mutex alone then holds the lock.
    job = own.ours ? own.job : ProcessJob::CreatePrivate();
  }
  if (!job) ThrowLastError();
  if (live > 0) return nullptr;
  command_job_ = job;
  return std::make_unique<Win32CommandLock>(std::move(mutex), std::move(window), std::move(job));
}

std::shared_ptr<ProcessJob> Win32Machine::JobForStart() {
  if (std::shared_ptr<ProcessJob> job = command_job_.lock()) return job;
  return ProcessJob::CreatePrivate();
}

}  // namespace tarnwell
