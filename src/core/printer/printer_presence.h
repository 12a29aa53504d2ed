// The start-up check that the virtual printer exists.
#pragma once

#include <string>

#include "core/app/app.h"

namespace tarnwell {

// The instructions for adding the printer by hand: six lines, CR LF breaks.
std::wstring PrinterMissingInstructions(Machine& machine);

// Shows the instructions when the printer is missing. Has no error trap:
// a failure to read the printer list passes to the caller.
void CheckPrinterPresence(App& app);

}  // namespace tarnwell
