// Windows' own folders, where programs named without a folder are looked for.
#include "win32/machine/machine.h"

#include <vector>

#include "win32_common/system_library.h"

namespace tarnwell {

std::wstring Win32Machine::SystemFolder() { return tarnwell::SystemFolder(); }

// The shared Windows folder, also on a terminal server where each user has
// a private one.
std::wstring Win32Machine::WindowsFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    const UINT length = GetSystemWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0) ThrowLastError();
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length);
  }
}

}  // namespace tarnwell
