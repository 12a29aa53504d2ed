#include "printer_names.h"

#include <windows.h>
#include <winspool.h>

namespace support {

std::vector<std::wstring> PrinterNames() {
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0;
  DWORD count = 0;
  EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed + 1);
  std::vector<std::wstring> names;
  if (!EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) return names;
  const auto* info = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) names.emplace_back(info[i].pPrinterName);
  return names;
}

}  // namespace support
