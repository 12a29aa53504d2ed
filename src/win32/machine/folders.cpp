// Windows' own folders, where programs named without a folder are looked for.
#include "win32/machine/machine.h"

#include "win32_common/system_library.h"

namespace tarnwell {

std::wstring Win32Machine::SystemFolder() { return tarnwell::SystemFolder(); }

std::wstring Win32Machine::WindowsFolder() { return SharedWindowsFolder(); }

}  // namespace tarnwell
