// What an installed printer needs from /status and /install: nothing, a
// repair, or (with /update) the newer package that ships beside the program.
#pragma once

#include <string>
#include <vector>

#include "core/port/machine.h"

namespace tarnwell {

enum class PrinterCondition {
  Working,  // its parts are there and, asked with /update, it is up to date
  Broken,   // its driver, port or uninstall registration is missing
  Older,    // it works, but the package beside the program is newer (/update)
};

struct PrinterFindings {
  PrinterCondition condition = PrinterCondition::Working;
  // Lines for the log: what is missing, or how the versions compare.
  std::vector<std::wstring> lines;
};

// Looks at the printer whose queue exists. With `update`, the version in
// the setup program's version resource beside the program is compared with
// the installed package's DisplayVersion; a version that is missing or not
// made of numbers cannot be compared and never asks for a replacement, so
// no package is installed again and again. Throws when the spooler or the
// registry cannot tell.
PrinterFindings ExaminePrinter(Machine& machine, bool update);

}  // namespace tarnwell
