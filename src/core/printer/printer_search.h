// The printer search: walk the installed printers in the platform's order and
// stop at the first whose device name equals the wanted one exactly.
#pragma once

#include <cstddef>
#include <string>

#include "core/port/machine.h"

namespace tarnwell {

// Whether a printer's device name is `name`: the exact, whole text, as
// the installed printer is looked for everywhere.
inline bool IsPrinterNamed(const std::wstring& device_name, const std::wstring& name) {
  return device_name == name;
}

// One walk, step by step, so that the commands can number each step.
class PrinterWalk {
 public:
  explicit PrinterWalk(Machine& machine) : machine_(machine) {}

  // Reads the list; false when there are no printers. Throws.
  bool Start();
  // Whether the current printer's device name is `name` (exact, whole text).
  // Throws when the name cannot be read or there is no current printer.
  bool CurrentIs(const std::wstring& name);
  // Moves on; false after the last printer.
  bool Next();

 private:
  Machine& machine_;
  std::size_t count_ = 0;
  std::size_t index_ = 0;
};

// The whole walk at once. Throws when the list or a name cannot be read.
bool IsPrinterInstalled(Machine& machine, const std::wstring& name);

}  // namespace tarnwell
