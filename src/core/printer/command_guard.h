// One command at a time on the whole machine: the guard step that opens the
// install and the uninstall command. Also meant for the unattended mode,
// which takes the same lock through Machine::TakeCommandLock.
#pragma once

#include <memory>

#include "core/app/step_runner.h"

namespace tarnwell {


// Takes the lock into `lock`; when another instance holds it, says so and
// ends the command. A lock that cannot be made is reported and the command
// goes on unguarded, as any failing step does.
Step CommandGuardStep(App& app, int line, std::unique_ptr<CommandLock>& lock);

}  // namespace tarnwell
