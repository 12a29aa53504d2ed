// One command at a time on the whole machine: the guard step that opens the
// window's install and uninstall commands. The unattended commands take the
// same lock (Machine::TakeCommandLock) without a step, and answer 1618 when
// it is held.
#pragma once

#include <memory>

#include "core/app/step_runner.h"

namespace tarnwell {

// Takes the lock into `lock`; when another instance holds it, says so and
// ends the command. A lock that cannot be made is reported and the command
// goes on unguarded, as any failing step does.
Step CommandGuardStep(App& app, int line, std::unique_ptr<CommandLock>& lock);

}  // namespace tarnwell
