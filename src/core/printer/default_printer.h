// Makes a named printer the system's default printer.
#pragma once

#include <string>

#include "core/app/app.h"

namespace tarnwell {


// Asks the scripting host's network object first and, when it cannot be had
// or does not do it, the print spooler itself. True when either succeeded;
// otherwise false, with "Cannot set printer." shown only when `show_message`.
bool MakeDefaultPrinter(App& app, const std::wstring& printer_name, bool show_message);

}  // namespace tarnwell
