// Whether the package's whole result is on the machine: the printer and its
// uninstall registration both there after a setup, both gone after an
// uninstaller. Checked while processes a package started still run, so a
// resident helper does not keep the wait going.
#pragma once

#include "core/port/machine.h"

namespace tarnwell {

// The printer and the registration exist. Never throws: what cannot be read
// counts as not there yet.
bool PackageInstalled(Machine& machine);

// The printer and the registration are gone. Never throws: what cannot be
// read counts as still there.
bool PackageRemoved(Machine& machine);

}  // namespace tarnwell
