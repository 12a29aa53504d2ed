#include "core/printer/default_printer.h"

#include "core/app/shared_routines.h"

namespace tarnwell {

bool MakeDefaultPrinter(App& app, const std::wstring& printer_name, bool show_message) {
  bool result = false;
  try {
    app.machine.SetDefaultPrinterByScriptHost(printer_name);
    result = true;
  } catch (...) {
  }
  if (!result) {
    try {
      app.machine.SetDefaultPrinterBySpooler(printer_name);
      result = true;
    } catch (...) {
    }
  }
  if (!result && show_message) MsgBox(app, TextId::CannotSetPrinter);
  return result;
}

}  // namespace tarnwell
