// Waiting while the thread's windows stay answered.
#pragma once

#include <windows.h>

#include <vector>

namespace tarnwell {

// Waits up to `milliseconds` for any of `handles` (at most 63) to be
// signalled, dispatching window messages the moment they arrive. Returns
// early when a handle is signalled.
void WaitServicingMessages(const std::vector<HANDLE>& handles, unsigned milliseconds);

}  // namespace tarnwell
