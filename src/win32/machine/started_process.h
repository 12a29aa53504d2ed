// A started setup or uninstaller as the wait sees it: its own process, and
// the processes it starts, followed through its job or, when it could not be
// put into one, through the processes known to descend from it.
#pragma once

#include <windows.h>

#include <memory>

#include "core/port/machine.h"
#include "win32/machine/job.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/temporary_folder.h"
#include "win32_common/trusted_path.h"

namespace tarnwell {

// `process` may be null (the shell handed an elevated start on): nothing can
// be watched then, and the process counts as ended. `job` is the job the
// process was put into, or null. `held` (the checked path of a privileged
// start) and `temporary` (its temporary folder) are kept until Finish, or
// until the object goes, when the wait on it has ended.
std::unique_ptr<StartedProcess> MakeStartedProcess(HANDLE process,
                                                   std::shared_ptr<ProcessJob> job,
                                                   HeldPath held = {},
                                                   ChildTemporaryFolder temporary = {});

}  // namespace tarnwell
