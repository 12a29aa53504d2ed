#include "spooler.h"

#include <winspool.h>

#include <string_view>
#include <vector>

#include "core/port/run_error.h"
#include "win32_common/scoped_handle.h"
#include "win32_common/system_library.h"

namespace tarnwell::standin {
namespace {

// The spooler's DLL is not one Windows always takes from the system folder,
// so it is loaded from there when first needed; a failure to load it is a
// failure of the step at hand.
template <typename Function>
Function Spooler(const char* name) {
  return SystemFunction<Function>(L"winspool.drv", name);
}

// The error number for a spooler that could not be loaded.
constexpr DWORD kSpoolerMissing = ERROR_MOD_NOT_FOUND;

// Only called for a printer that was opened, so the DLL is loaded by then.
void ClosePrinterHandle(HANDLE printer) noexcept {
  try {
    Spooler<decltype(&ClosePrinter)>("ClosePrinter")(printer);
  } catch (const RunError&) {
  }
}

using UniquePrinter = unique_handle<HANDLE, ClosePrinterHandle>;

constexpr wchar_t kWineDriverModule[] = L"wineps.drv";
constexpr wchar_t kPageDescriptionFile[] = L"QMPDF.PPD";

// The least page description the PostScript driver needs to draw on A4 and
// Letter; without one the printer is listed but cannot be printed to.
constexpr std::string_view kPageDescription =
    "*PPD-Adobe: \"4.3\"\r\n"
    "*FormatVersion: \"4.3\"\r\n"
    "*FileVersion: \"1.0\"\r\n"
    "*LanguageVersion: English\r\n"
    "*LanguageEncoding: ISOLatin1\r\n"
    "*PCFileName: \"QMPDF.PPD\"\r\n"
    "*Manufacturer: \"Quellmark\"\r\n"
    "*Product: \"(Quellmark PDF)\"\r\n"
    "*ModelName: \"Quellmark PDF\"\r\n"
    "*ShortNickName: \"Quellmark PDF\"\r\n"
    "*NickName: \"Quellmark PDF\"\r\n"
    "*PSVersion: \"(3010.000) 0\"\r\n"
    "*LanguageLevel: \"3\"\r\n"
    "*ColorDevice: True\r\n"
    "*DefaultColorSpace: RGB\r\n"
    "*TTRasterizer: Type42\r\n"
    "*DefaultResolution: 600dpi\r\n"
    "*OpenUI *PageSize: PickOne\r\n"
    "*DefaultPageSize: A4\r\n"
    "*PageSize A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\r\n"
    "*PageSize Letter/Letter: \"<</PageSize[612 792]>>setpagedevice\"\r\n"
    "*CloseUI: *PageSize\r\n"
    "*DefaultImageableArea: A4\r\n"
    "*ImageableArea A4/A4: \"0 0 595 842\"\r\n"
    "*ImageableArea Letter/Letter: \"0 0 612 792\"\r\n"
    "*DefaultPaperDimension: A4\r\n"
    "*PaperDimension A4/A4: \"595 842\"\r\n"
    "*PaperDimension Letter/Letter: \"612 792\"\r\n";

DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = GetLastError();
  return error ? error : fallback;
}

// `environment`: a platform's name ("Windows x64"), or null for this one.
std::wstring DriverDirectory(const wchar_t* environment) {
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD needed = 0;
  const auto driver_directory =
      Spooler<decltype(&GetPrinterDriverDirectoryW)>("GetPrinterDriverDirectoryW");
  if (!driver_directory(nullptr, const_cast<wchar_t*>(environment), 1,
                        reinterpret_cast<BYTE*>(buffer.data()),
                                  static_cast<DWORD>(buffer.size() * sizeof(wchar_t)), &needed)) {
    return {};
  }
  return buffer.data();
}

DWORD WriteFileWhole(const std::wstring& path, std::string_view bytes) {
  const UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return LastErrorOr(ERROR_WRITE_FAULT);
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    return LastErrorOr(ERROR_WRITE_FAULT);
  }
  return ERROR_SUCCESS;
}

}  // namespace

// The spooler copies a driver's files from its driver directory into the
// versioned one; the page description goes there first and is tidied away
// once copied. The driver module itself is Wine's own.
DWORD AddWinePostScriptDriverAs(const wchar_t* name, const wchar_t* environment) try {
  const std::wstring directory = DriverDirectory(environment);
  if (directory.empty()) return LastErrorOr(ERROR_PATH_NOT_FOUND);
  const std::wstring staged = directory + L"\\" + kPageDescriptionFile;
  if (const DWORD error = WriteFileWhole(staged, kPageDescription)) return error;

  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = const_cast<wchar_t*>(name);
  driver.pEnvironment = const_cast<wchar_t*>(environment);
  driver.pDriverPath = const_cast<wchar_t*>(kWineDriverModule);
  driver.pDataFile = const_cast<wchar_t*>(kPageDescriptionFile);
  driver.pConfigFile = const_cast<wchar_t*>(kWineDriverModule);
  const DWORD result =
      Spooler<decltype(&AddPrinterDriverW)>("AddPrinterDriverW")(nullptr, 3, reinterpret_cast<BYTE*>(&driver)) ? ERROR_SUCCESS
                                                                       : LastErrorOr(ERROR_GEN_FAILURE);
  DeleteFileW(staged.c_str());
  return result;
} catch (const RunError&) {
  return kSpoolerMissing;
}

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

PrinterPlace PlaceForThisSystem() { return RunningUnderWine() ? kWinePlace : kWindowsPlace; }

bool PrinterExists(const std::wstring& name) try {
  HANDLE raw = nullptr;
  const auto open_printer = Spooler<decltype(&OpenPrinterW)>("OpenPrinterW");
  if (!open_printer(const_cast<wchar_t*>(name.c_str()), &raw, nullptr)) return false;
  const UniquePrinter printer(raw);
  return true;
} catch (const RunError&) {
  return false;
}

namespace {

// Whether a spooler list of `Info` entries (drivers, ports) names `name`,
// in any case; `enumerate` fills the list as the spooler's Enum calls do.
template <typename Info, typename Enumerate>
bool Listed(Enumerate enumerate, const wchar_t* name) {
  DWORD needed = 0;
  DWORD count = 0;
  std::vector<Info> entries;
  while (!enumerate(reinterpret_cast<BYTE*>(entries.data()),
                    static_cast<DWORD>(entries.size() * sizeof(Info)), &needed, &count)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    entries.resize(needed / sizeof(Info) + 1);
  }
  for (DWORD i = 0; i < count; ++i) {
    if (entries[i].pName && lstrcmpiW(entries[i].pName, name) == 0) return true;
  }
  return false;
}

}  // namespace

bool DriverExists(const wchar_t* driver) try {
  const auto enum_drivers = Spooler<decltype(&EnumPrinterDriversW)>("EnumPrinterDriversW");
  return Listed<DRIVER_INFO_1W>(
      [&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
        return enum_drivers(nullptr, nullptr, 1, data, size, needed, count);
      },
      driver);
} catch (const RunError&) {
  return false;
}

DWORD EnsureWinePostScriptDriver(bool* added) try {
  *added = false;
  if (DriverExists(kWinePostScriptDriver)) return ERROR_SUCCESS;
  const DWORD error = AddWinePostScriptDriverAs(kWinePostScriptDriver, nullptr);
  *added = error == ERROR_SUCCESS;
  return error;
} catch (const RunError&) {
  return kSpoolerMissing;
}

DWORD RemoveDriver(const wchar_t* driver, const wchar_t* environment) try {
  const auto delete_driver = Spooler<decltype(&DeletePrinterDriverW)>("DeletePrinterDriverW");
  return delete_driver(nullptr, const_cast<wchar_t*>(environment), const_cast<wchar_t*>(driver))
             ? ERROR_SUCCESS
             : LastErrorOr(ERROR_GEN_FAILURE);
} catch (const RunError&) {
  return kSpoolerMissing;
}

bool PortExists(const wchar_t* port) try {
  const auto enum_ports = Spooler<decltype(&EnumPortsW)>("EnumPortsW");
  return Listed<PORT_INFO_1W>(
      [&](BYTE* data, DWORD size, DWORD* needed, DWORD* count) {
        return enum_ports(nullptr, 1, data, size, needed, count);
      },
      port);
} catch (const RunError&) {
  return false;
}

// The local port monitor takes its commands through its transceiver.
DWORD EnsurePort(const wchar_t* port) try {
  if (PortExists(port)) return ERROR_SUCCESS;
  PRINTER_DEFAULTSW rights{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
  HANDLE raw = nullptr;
  const auto open_printer = Spooler<decltype(&OpenPrinterW)>("OpenPrinterW");
  if (!open_printer(const_cast<wchar_t*>(L",XcvMonitor Local Port"), &raw, &rights)) {
    return LastErrorOr(ERROR_GEN_FAILURE);
  }
  const UniquePrinter monitor(raw);
  const auto xcv_data = Spooler<decltype(&XcvDataW)>("XcvDataW");
  DWORD needed = 0;
  DWORD status = ERROR_SUCCESS;
  BYTE unused = 0;
  if (!xcv_data(monitor.get(), L"AddPort",
                reinterpret_cast<BYTE*>(const_cast<wchar_t*>(port)),
                static_cast<DWORD>((lstrlenW(port) + 1) * sizeof(wchar_t)), &unused, 0, &needed,
                &status)) {
    return LastErrorOr(ERROR_GEN_FAILURE);
  }
  return status;
} catch (const RunError&) {
  return kSpoolerMissing;
}

DWORD AddPrinterAt(const std::wstring& name, const PrinterPlace& place) try {
  PRINTER_INFO_2W info{};
  info.pPrinterName = const_cast<wchar_t*>(name.c_str());
  info.pPortName = const_cast<wchar_t*>(place.port);
  info.pDriverName = const_cast<wchar_t*>(place.driver);
  info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
  info.pDatatype = const_cast<wchar_t*>(L"RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  const auto add_printer = Spooler<decltype(&AddPrinterW)>("AddPrinterW");
  const UniquePrinter printer(add_printer(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
  return printer ? ERROR_SUCCESS : LastErrorOr(ERROR_GEN_FAILURE);
} catch (const RunError&) {
  return kSpoolerMissing;
}

DWORD RemovePrinter(const std::wstring& name) try {
  PRINTER_DEFAULTSW rights{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE raw = nullptr;
  const auto open_printer = Spooler<decltype(&OpenPrinterW)>("OpenPrinterW");
  const auto delete_printer = Spooler<decltype(&DeletePrinter)>("DeletePrinter");
  if (!open_printer(const_cast<wchar_t*>(name.c_str()), &raw, &rights)) {
    const DWORD error = GetLastError();
    return error == ERROR_INVALID_PRINTER_NAME ? ERROR_SUCCESS : LastErrorOr(ERROR_GEN_FAILURE);
  }
  const UniquePrinter printer(raw);
  return delete_printer(printer.get()) ? ERROR_SUCCESS : LastErrorOr(ERROR_GEN_FAILURE);
} catch (const RunError&) {
  return kSpoolerMissing;
}

}  // namespace tarnwell::standin
