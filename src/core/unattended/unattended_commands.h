// The unattended commands: install, remove and check the PDF printer with no
// window and no message box, for deployment tools. Each does what its button
// does, is safe to run again (it then changes nothing and succeeds), and
// says what happened through its exit code and the log.
#pragma once

#include "core/port/machine.h"
#include "core/unattended/log_sink.h"
#include "core/unattended/switches.h"

namespace tarnwell {

// Runs an Install, Uninstall or Status request and returns its exit code
// (exit_codes.h); every decision goes to `log`. Never shows anything.
int RunUnattended(Machine& machine, LogSink& log, const UnattendedRequest& request);

}  // namespace tarnwell
