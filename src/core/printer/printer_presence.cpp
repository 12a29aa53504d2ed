#include "core/printer/printer_presence.h"

#include "core/app/shared_routines.h"
#include "core/printer/package.h"
#include "core/printer/printer_search.h"

namespace tarnwell {

std::wstring PrinterMissingInstructions() {
  const std::wstring name = package::kName;
  return name + L" is not installed. Please follow these instructions:" + L"\r\n" + L"\r\n" +
         L"1) Go to Control Panel -> Printers and Faxes to add a local printer." + L"\r\n" +
         L"2) Choose ''CPW2: (" + name + L")'' on Select a Printer Port dialog box, click Next." +
         L"\r\n" + L"3) Choose a Postscript printer (e.g. HP Color LaserJet PS), click Next." +
         L"\r\n" + L"4) Enter " + name + L" as Printer name, click Next -> Finish.";
}

void CheckPrinterPresence(App& app) {
  if (IsPrinterInstalled(app.machine, package::kName)) return;
  MsgBox(app, PrinterMissingInstructions());
}

}  // namespace tarnwell
