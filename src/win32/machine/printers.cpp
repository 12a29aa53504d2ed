// The installed printers' list and the spooler's default printer.
#include "win32/machine/machine.h"

#include <winspool.h>

#include <vector>

#include "core/port/run_error.h"
#include "win32_common/system_library.h"

namespace tarnwell {
namespace {

// Local printers and connections to shared ones: the printers the user can
// print to, under the names the printers window shows. Level 4 reads only
// the names and attributes, so no printer driver or server is asked.
constexpr DWORD kPrinterKinds = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
constexpr DWORD kNamesLevel = 4;

// Text of the "Subscript out of range" run-time error.
constexpr wchar_t kSubscriptOutOfRange[] = L"Subscript out of range";

std::vector<std::wstring> EnumeratePrinterNames() {
  static const auto enum_printers =
      SystemFunction<decltype(&EnumPrintersW)>(L"winspool.drv", "EnumPrintersW");
  DWORD needed = 0;
  DWORD count = 0;
  std::vector<PRINTER_INFO_4W> entries;
  // The list can grow between the size query and the read; ask again then.
  while (!enum_printers(kPrinterKinds, nullptr, kNamesLevel,
                        reinterpret_cast<BYTE*>(entries.data()),
                        static_cast<DWORD>(entries.size() * sizeof(PRINTER_INFO_4W)), &needed,
                        &count)) {
    const DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER) ThrowWin32Error(error);
    entries.resize(needed / sizeof(PRINTER_INFO_4W) + 1);
  }
  std::vector<std::wstring> names;
  names.reserve(count);
  for (DWORD i = 0; i < count; ++i) {
    names.emplace_back(entries[i].pPrinterName ? entries[i].pPrinterName : L"");
  }
  return names;
}

}  // namespace

std::size_t Win32Machine::ReadPrinterList() {
  printers_ = EnumeratePrinterNames();
  return printers_.size();
}

std::wstring Win32Machine::PrinterName(std::size_t index) {
  if (index >= printers_.size()) throw RunError(kSubscriptOutOfRange);
  return printers_[index];
}

void Win32Machine::SetDefaultPrinterBySpooler(const std::wstring& printer) {
  static const auto set_default_printer =
      SystemFunction<decltype(&SetDefaultPrinterW)>(L"winspool.drv", "SetDefaultPrinterW");
  if (!set_default_printer(printer.c_str())) ThrowLastError();
}

}  // namespace tarnwell
