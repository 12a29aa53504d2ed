// The Win32 machine object itself. Its system operations live beside this
// file, one concept each (files, printers, default printer, registry,
// processes); the user-interface side is in ui.cpp.
#include "win32/machine/machine.h"

#include <objbase.h>

#include "win32_common/system_library.h"

namespace tarnwell {

// Defined here, out of line, so that the class's function table is emitted
// in one place.
Win32Machine::~Win32Machine() {
  if (!com_initialised_) return;
  // COM was initialised, so its DLL is loaded and the look-up cannot fail.
  try {
    SystemFunction<decltype(&CoUninitialize)>(L"ole32.dll", "CoUninitialize")();
  } catch (const RunError&) {
  }
}

}  // namespace tarnwell
