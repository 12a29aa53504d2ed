#include "core/printer/printer_search.h"

#include "core/port/run_error.h"

namespace tarnwell {

bool PrinterWalk::Start() {
  count_ = machine_.ReadPrinterList();
  index_ = 0;
  return count_ > 0;
}

bool PrinterWalk::CurrentIs(const std::wstring& name) {
  // Only reachable after the list could not be read: the comparison fails as
  // well, so the step it guards runs next.
  if (index_ >= count_) throw RunError(L"There is no current printer.");
  return IsPrinterNamed(machine_.PrinterName(index_), name);
}

bool PrinterWalk::Next() {
  if (index_ < count_) ++index_;
  return index_ < count_;
}

bool IsPrinterInstalled(Machine& machine, const std::wstring& name) {
  PrinterWalk walk(machine);
  if (!walk.Start()) return false;
  do {
    if (walk.CurrentIs(name)) return true;
  } while (walk.Next());
  return false;
}

}  // namespace tarnwell
