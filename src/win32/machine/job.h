// The job a started setup or uninstaller runs in, so that the wait sees every
// process it starts. Breakaway is allowed (a package may start a child
// outside any job) and nothing is killed when the job is closed.
//
// A job can lose no process, so processes that outlive their command (a
// resident helper left behind after the wait ended) are moved into a second
// job nested in the first: the "finished" part. The live processes are those
// of the whole job that are not in the finished part.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "win32_common/scoped_handle.h"

namespace tarnwell {

class ProcessJob {
 public:
  // An unnamed job for one start; nullptr when none can be made.
  static std::shared_ptr<ProcessJob> CreatePrivate();
  // Lets a job's processes start children outside it (a package may).
  static bool AllowBreakaway(HANDLE job);

  // The whole job and its finished part; either may be a handle that can
  // only query, to count another instance's live processes.
  ProcessJob(UniqueHandle all, UniqueHandle finished);

  // Puts a (suspended or just started) process into the job.
  bool Assign(HANDLE process);
  // How many processes of the job run and are not finished, by the job's own
  // accounting; 0 when it cannot tell.
  DWORD LiveCount() const;
  // The live processes' ids (at most a wait's worth).
  std::vector<DWORD> LiveIds() const;
  // Moves every live process into the finished part; a named job only.
  void FinishLive();
  // Ends every live process, those they start meanwhile included; the
  // finished part (other commands' helpers) is left alone.
  void EndLive();

 private:
  UniqueHandle all_;
  UniqueHandle finished_;
};

}  // namespace tarnwell
