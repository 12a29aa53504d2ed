// The busy state around a command's wait: the hourglass pointer and both
// push buttons and both option buttons disabled, so no second command can
// start; then everything back. Each change is a step of its own, numbered by
// the command from `first_line` in steps of 2, so a change that fails is
// reported with its own line and the changes after it still run.
#pragma once

#include <vector>

#include "core/app/step_runner.h"

namespace tarnwell {

// Hourglass, PushButton13, PushButton1, Option1, Option2 disabled.
std::vector<Step> EnterBusyState(Machine& machine, int first_line);

// Option1, Option2, PushButton13, PushButton1 enabled, normal pointer.
std::vector<Step> LeaveBusyState(Machine& machine, int first_line);

}  // namespace tarnwell
