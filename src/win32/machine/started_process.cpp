#include "win32/machine/started_process.h"

#include <tlhelp32.h>

#include <map>
#include <vector>

#include "win32/machine/wait.h"

namespace tarnwell {
namespace {

ULONGLONG CreationTime(HANDLE process) {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// Running processes descending from `root` (itself excluded), opened for
// waiting. A process id can be reused once its process has ended, so a
// "child" that started before its parent is someone else's.
std::vector<UniqueHandle> OpenDescendants(DWORD root, ULONGLONG root_created) {
  const UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return {};
  std::multimap<DWORD, DWORD> children;  // parent -> child
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID != root) children.emplace(entry.th32ParentProcessID, entry.th32ProcessID);
  }
  std::vector<UniqueHandle> found;
  std::vector<DWORD> parents = {root};
  while (!parents.empty() && found.size() < 63) {
    const DWORD parent = parents.back();
    parents.pop_back();
    const auto [first, last] = children.equal_range(parent);
    for (auto it = first; it != last; ++it) {
      UniqueHandle child(
          OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, it->second));
      if (!child || CreationTime(child.get()) < root_created) continue;
      if (WaitForSingleObject(child.get(), 0) == WAIT_TIMEOUT) found.push_back(std::move(child));
      parents.push_back(it->second);
    }
  }
  return found;
}

class Win32StartedProcess : public StartedProcess {
 public:
  Win32StartedProcess(HANDLE process, std::shared_ptr<ProcessJob> job, HeldPath held,
                      ChildTemporaryFolder temporary)
      : process_(process),
        job_(std::move(job)),
        held_(std::move(held)),
        temporary_(std::move(temporary)),
        id_(process ? GetProcessId(process) : 0),
        created_(process ? CreationTime(process) : 0) {}

  bool HasEnded() override {
    return !process_ || WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
  }

  std::optional<std::uint32_t> ExitCode() override {
    DWORD code = 0;
    if (!process_ || !GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return code;
  }

  // The job's own accounting when there is a job; otherwise the processes
  // known to descend from this one.
  bool OthersRunning() override {
    if (job_) return job_->LiveCount() > (HasEnded() ? 0u : 1u);
    return id_ && !OpenDescendants(id_, created_).empty();
  }

  void EndAll() override {
    if (process_) TerminateProcess(process_.get(), ERROR_TIMEOUT);
    if (job_) {
      job_->EndLive();
      return;
    }
    for (int round = 0; round < 10 && id_; ++round) {
      const std::vector<UniqueHandle> others = OpenDescendants(id_, created_);
      if (others.empty()) break;
      for (const UniqueHandle& other : others) {
        const UniqueHandle process(
            OpenProcess(PROCESS_TERMINATE, FALSE, GetProcessId(other.get())));
        if (process) TerminateProcess(process.get(), ERROR_TIMEOUT);
        WaitForSingleObject(other.get(), 1000);
      }
    }
  }

  // The program's files are let go of before its temporary folder is
  // removed; a helper it left running may still use that folder.
  std::optional<std::wstring> Finish() override {
    held_.Release();
    return temporary_.Remove();
  }

  void Pause(unsigned milliseconds) override {
    if (!HasEnded()) {
      WaitServicingMessages({process_.get()}, milliseconds);
      return;
    }
    const std::vector<UniqueHandle> others = OpenOthers();
    std::vector<HANDLE> handles;
    for (const UniqueHandle& other : others) handles.push_back(other.get());
    WaitServicingMessages(handles, milliseconds);
  }

 private:
  std::vector<UniqueHandle> OpenOthers() const {
    if (!job_) return id_ ? OpenDescendants(id_, created_) : std::vector<UniqueHandle>();
    std::vector<UniqueHandle> others;
    for (const DWORD id : job_->LiveIds()) {
      UniqueHandle other(OpenProcess(SYNCHRONIZE, FALSE, id));
      if (other && others.size() < 63) others.push_back(std::move(other));
    }
    return others;
  }

  UniqueHandle process_;
  std::shared_ptr<ProcessJob> job_;
  HeldPath held_;
  ChildTemporaryFolder temporary_;
  DWORD id_;
  ULONGLONG created_;
};

}  // namespace

std::unique_ptr<StartedProcess> MakeStartedProcess(HANDLE process,
                                                   std::shared_ptr<ProcessJob> job,
                                                   HeldPath held,
                                                   ChildTemporaryFolder temporary) {
  return std::make_unique<Win32StartedProcess>(process, std::move(job), std::move(held),
                                               std::move(temporary));
}

}  // namespace tarnwell
