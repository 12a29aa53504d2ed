#include "printer/printer_search.h"

namespace tarnwell {

bool PrinterWalk::Start() {
  count_ = machine_.ReadPrinterList();
  index_ = 0;
  return count_ > 0;
}

bool PrinterWalk::CurrentIs(const std::wstring& name) {
  if (index_ >= count_) return false;
  return machine_.PrinterName(index_) == name;
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
