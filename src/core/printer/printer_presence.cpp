#include "core/printer/printer_presence.h"

#include "core/app/shared_routines.h"
#include "core/printer/package.h"
#include "core/printer/printer_search.h"

namespace tarnwell {

std::wstring PrinterMissingInstructions(Machine& machine) {
  return FillIn(machine.Text(TextId::PrinterMissingInstructions), {{L"package", package::kName}});
}

void CheckPrinterPresence(App& app) {
  if (IsPrinterInstalled(app.machine, package::kName)) return;
  MsgBox(app, PrinterMissingInstructions(app.machine));
}

}  // namespace tarnwell
