#include "win32/machine/job.h"

#include <algorithm>

namespace tarnwell {
namespace {

constexpr DWORD kMaxIds = 256;

DWORD ActiveProcesses(HANDLE job) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
  if (!job || !QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                         sizeof(accounting), nullptr)) {
    return 0;
  }
  return accounting.ActiveProcesses;
}

std::vector<DWORD> ProcessIds(HANDLE job) {
  if (!job) return {};
  std::vector<BYTE> buffer(sizeof(JOBOBJECT_BASIC_PROCESS_ID_LIST) + kMaxIds * sizeof(ULONG_PTR));
  auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
  list->NumberOfAssignedProcesses = kMaxIds;
  if (!QueryInformationJobObject(job, JobObjectBasicProcessIdList, list,
                                 static_cast<DWORD>(buffer.size()), nullptr)) {
    return {};
  }
  std::vector<DWORD> ids;
  for (DWORD i = 0; i < list->NumberOfProcessIdsInList && i < kMaxIds; ++i) {
    ids.push_back(static_cast<DWORD>(list->ProcessIdList[i]));
  }
  return ids;
}

}  // namespace

bool ProcessJob::AllowBreakaway(HANDLE job) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  return SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                 sizeof(limits)) != FALSE;
}

ProcessJob::ProcessJob(UniqueHandle all, UniqueHandle finished)
    : all_(std::move(all)), finished_(std::move(finished)) {}

std::shared_ptr<ProcessJob> ProcessJob::CreatePrivate() {
  UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
  if (!job || !AllowBreakaway(job.get())) return nullptr;
  return std::make_shared<ProcessJob>(std::move(job), UniqueHandle());
}

bool ProcessJob::Assign(HANDLE process) {
  return AssignProcessToJobObject(all_.get(), process) != FALSE;
}

DWORD ProcessJob::LiveCount() const {
  const DWORD all = ActiveProcesses(all_.get());
  const DWORD finished = ActiveProcesses(finished_.get());
  return all > finished ? all - finished : 0;
}

std::vector<DWORD> ProcessJob::LiveIds() const {
  std::vector<DWORD> live = ProcessIds(all_.get());
  const std::vector<DWORD> finished = ProcessIds(finished_.get());
  std::erase_if(live, [&](DWORD id) {
    return std::find(finished.begin(), finished.end(), id) != finished.end();
  });
  return live;
}

void ProcessJob::FinishLive() {
  if (!finished_) return;
  for (const DWORD id : LiveIds()) {
    const UniqueHandle process(OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, id));
    if (process) AssignProcessToJobObject(finished_.get(), process.get());
  }
}

void ProcessJob::EndLive() {
  // A process being ended may just have started another: a few rounds
  // catch those too.
  for (int round = 0; round < 10 && LiveCount() > 0; ++round) {
    for (const DWORD id : LiveIds()) {
      const UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
      if (!process) continue;
      TerminateProcess(process.get(), ERROR_TIMEOUT);
      WaitForSingleObject(process.get(), 1000);
    }
  }
}

}  // namespace tarnwell
