#include "printer_names.h"

#include <windows.h>
#include <winspool.h>

namespace support {

std::vector<std::wstring> PrinterNames() {
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0;
  DWORD count = 0;
  std::vector<BYTE> buffer(1);
  std::vector<std::wstring> names;
  // A setup adding or removing a printer meanwhile can make the list grow
  // between the size query and the read (ask again then) and can leave an
  // entry without a name while its key is half written (skip it: building a
  // string from that null pointer threw in a test's own body).
  while (!EnumPrintersW(flags, nullptr, 4, buffer.data(), static_cast<DWORD>(buffer.size()),
                        &needed, &count)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return names;
    buffer.resize(needed + 1);
  }
  const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (info[i].pPrinterName) names.emplace_back(info[i].pPrinterName);
  }
  return names;
}

}  // namespace support
