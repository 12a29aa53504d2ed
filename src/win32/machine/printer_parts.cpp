// A printer's driver and port and whether they exist, deleting a printer,
// the default printer, and the version a program file carries.
#include "win32/machine/machine.h"

#include <winspool.h>

#include <string>
#include <vector>

#include "core/port/run_error.h"
#include "win32_common/bounded_open.h"
#include "win32_common/program_version.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/system_library.h"

namespace tarnwell {
namespace {

constexpr wchar_t kSpooler[] = L"winspool.drv";

template <typename Function>
Function Spooler(const char* name) {
  return SystemFunction<Function>(kSpooler, name);
}

// Only called for a printer that was opened, so the DLL is loaded by then.
void ClosePrinterHandle(HANDLE printer) noexcept {
  try {
    Spooler<decltype(&ClosePrinter)>("ClosePrinter")(printer);
  } catch (const RunError&) {
  }
}

using UniquePrinter = unique_handle<HANDLE, ClosePrinterHandle>;

// Calls `read(buffer, size, &needed)` with a buffer grown until it is large
// enough (a list can grow between the size query and the read); throws the
// spooler's error otherwise.
template <typename Read>
std::vector<BYTE> ReadWhole(Read read) {
  std::vector<BYTE> buffer(1024);
  DWORD needed = 0;
  while (!read(buffer.data(), static_cast<DWORD>(buffer.size()), &needed)) {
    const DWORD error = GetLastError();
    if (error != ERROR_INSUFFICIENT_BUFFER) ThrowWin32Error(error);
    buffer.resize(needed > buffer.size() ? needed : buffer.size() * 2);
  }
  return buffer;
}

// Names the spooler compares without regard to case, as it does itself.
bool SameName(const wchar_t* listed, const std::wstring& name) {
  return listed && CompareStringOrdinal(listed, -1, name.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Whether a spooler list of `Info` entries (drivers, ports) names `name`;
// `enumerate` fills the list as the spooler's Enum calls do.
template <typename Info, typename Enumerate>
bool ListedByName(Enumerate enumerate, const std::wstring& name) {
  DWORD count = 0;
  const std::vector<BYTE> buffer = ReadWhole([&](BYTE* data, DWORD size, DWORD* needed) {
    return enumerate(data, size, needed, &count);
  });
  const auto* entries = reinterpret_cast<const Info*>(buffer.data());
  for (DWORD i = 0; i < count; ++i) {
    if (SameName(entries[i].pName, name)) return true;
  }
  return false;
}

}  // namespace

std::wstring Win32Machine::DefaultPrinterName() {
  try {
    static const auto get_default =
        Spooler<decltype(&GetDefaultPrinterW)>("GetDefaultPrinterW");
    DWORD size = 0;
    get_default(nullptr, &size);
    if (size == 0) return {};
    std::vector<wchar_t> name(size);
    if (!get_default(name.data(), &size)) return {};
    return name.data();
  } catch (const RunError&) {
    return {};
  }
}

PrinterParts Win32Machine::ReadPrinterParts(const std::wstring& printer) {
  static const auto open_printer = Spooler<decltype(&OpenPrinterW)>("OpenPrinterW");
  static const auto get_printer = Spooler<decltype(&GetPrinterW)>("GetPrinterW");
  HANDLE raw = nullptr;
  if (!open_printer(const_cast<wchar_t*>(printer.c_str()), &raw, nullptr)) ThrowLastError();
  const UniquePrinter opened(raw);
  const std::vector<BYTE> buffer = ReadWhole([&](BYTE* data, DWORD size, DWORD* needed) {
    return get_printer(opened.get(), 2, data, size, needed);
  });
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  return {info->pDriverName ? info->pDriverName : L"", info->pPortName ? info->pPortName : L""};
}

// "all": the drivers of every platform the spooler serves. A 32-bit program
// on 64-bit Windows would otherwise be shown only the 32-bit drivers, and
// the printers' own 64-bit driver would never be found.
bool Win32Machine::PrinterDriverInstalled(const std::wstring& driver) {
  static const auto enum_drivers = Spooler<decltype(&EnumPrinterDriversW)>("EnumPrinterDriversW");
  return ListedByName<DRIVER_INFO_1W>(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
        return enum_drivers(nullptr, const_cast<wchar_t*>(L"all"), 1, data, size, needed, count);
      },
      driver);
}

bool Win32Machine::PrinterPortExists(const std::wstring& port) {
  static const auto enum_ports = Spooler<decltype(&EnumPortsW)>("EnumPortsW");
  return ListedByName<PORT_INFO_1W>(
      [](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
        return enum_ports(nullptr, 1, data, size, needed, count);
      },
      port);
}

void Win32Machine::DeletePrinterQueue(const std::wstring& printer) {
  static const auto open_printer = Spooler<decltype(&OpenPrinterW)>("OpenPrinterW");
  static const auto delete_printer = Spooler<decltype(&::DeletePrinter)>("DeletePrinter");
  PRINTER_DEFAULTSW rights{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE raw = nullptr;
  if (!open_printer(const_cast<wchar_t*>(printer.c_str()), &raw, &rights)) {
    const DWORD error = GetLastError();
    if (error == ERROR_INVALID_PRINTER_NAME) return;
    ThrowWin32Error(error);
  }
  const UniquePrinter opened(raw);
  if (!delete_printer(opened.get())) ThrowLastError();
}

// Read through the handle HoldProgramPath holds on the program when it
// holds that one, so the file read is the file checked; otherwise opened
// for reading with read sharing only, so nobody changes it meanwhile. The
// opens and reads end within the checks' bound: a file another program
// holds up (an oplock) has no version rather than a command that waits.
std::optional<std::wstring> Win32Machine::ProgramVersion(const std::wstring& path) {
  const Deadline deadline = Deadline::In(kPathCheckMs);
  HANDLE file = held_program_.Program(path);
  UniqueFile opened;
  if (!file) {
    BoundedOpen open = CreateFileBefore(deadline, path, FILE_READ_DATA | FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ, OPEN_EXISTING, 0);
    if (!open.file) return std::nullopt;
    opened = std::move(open.file);
    file = opened.get();
  }
  return ProgramVersionOf(file, deadline);
}

}  // namespace tarnwell
