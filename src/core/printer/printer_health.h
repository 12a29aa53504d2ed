// Whether the installed PDF printer can print. The queue named exactly
// "Quellmark PDF Setup" is not enough: its driver may have been cleaned
// away, its port deleted, or the package's uninstall registration lost in a
// half-finished removal, and a deployment tool that asks only for the queue
// then calls a printer installed that nobody can print to.
#pragma once

#include <string>
#include <vector>

#include "core/port/machine.h"

namespace tarnwell {

// What keeps the installed printer from working, one sentence a part: the
// driver and the port the queue names, and the package's uninstall
// registration. Empty when it works. Ask only while the queue exists; throws
// when the spooler or the registry cannot tell.
std::vector<std::wstring> MissingPrinterParts(Machine& machine);

}  // namespace tarnwell
