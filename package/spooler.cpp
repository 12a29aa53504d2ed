#include "spooler.h"

#include <winspool.h>

#include <string_view>
#include <vector>

#include "win32_common/scoped_handle.h"

namespace tarnwell::standin {
namespace {

using UniquePrinter = unique_handle<HANDLE, ::ClosePrinter>;

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

std::wstring DriverDirectory() {
  std::vector<wchar_t> buffer(MAX_PATH);
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(buffer.data()),
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

// The spooler copies a driver's files from its driver directory into the
// versioned one; the page description goes there first and is tidied away
// once copied. The driver module itself is Wine's own.
DWORD AddWinePostScriptDriver() {
  const std::wstring directory = DriverDirectory();
  if (directory.empty()) return LastErrorOr(ERROR_PATH_NOT_FOUND);
  const std::wstring staged = directory + L"\\" + kPageDescriptionFile;
  if (const DWORD error = WriteFileWhole(staged, kPageDescription)) return error;

  DRIVER_INFO_3W driver{};
  driver.cVersion = 3;
  driver.pName = const_cast<wchar_t*>(kWinePostScriptDriver);
  driver.pDriverPath = const_cast<wchar_t*>(kWineDriverModule);
  driver.pDataFile = const_cast<wchar_t*>(kPageDescriptionFile);
  driver.pConfigFile = const_cast<wchar_t*>(kWineDriverModule);
  const DWORD result =
      AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&driver)) ? ERROR_SUCCESS
                                                                       : LastErrorOr(ERROR_GEN_FAILURE);
  DeleteFileW(staged.c_str());
  return result;
}

}  // namespace

bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

PrinterPlace PlaceForThisSystem() { return RunningUnderWine() ? kWinePlace : kWindowsPlace; }

bool PrinterExists(const std::wstring& name) {
  HANDLE raw = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &raw, nullptr)) return false;
  const UniquePrinter printer(raw);
  return true;
}

bool DriverExists(const wchar_t* driver) {
  DWORD needed = 0;
  DWORD count = 0;
  std::vector<DRIVER_INFO_1W> drivers;
  while (!EnumPrinterDriversW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(drivers.data()),
                              static_cast<DWORD>(drivers.size() * sizeof(DRIVER_INFO_1W)),
                              &needed, &count)) {
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    drivers.resize(needed / sizeof(DRIVER_INFO_1W) + 1);
  }
  for (DWORD i = 0; i < count; ++i) {
    if (drivers[i].pName && lstrcmpiW(drivers[i].pName, driver) == 0) return true;
  }
  return false;
}

DWORD EnsureWinePostScriptDriver(bool* added) {
  *added = false;
  if (DriverExists(kWinePostScriptDriver)) return ERROR_SUCCESS;
  const DWORD error = AddWinePostScriptDriver();
  *added = error == ERROR_SUCCESS;
  return error;
}

DWORD RemoveDriver(const wchar_t* driver) {
  return DeletePrinterDriverW(nullptr, nullptr, const_cast<wchar_t*>(driver))
             ? ERROR_SUCCESS
             : LastErrorOr(ERROR_GEN_FAILURE);
}

DWORD AddPrinterAt(const std::wstring& name, const PrinterPlace& place) {
  PRINTER_INFO_2W info{};
  info.pPrinterName = const_cast<wchar_t*>(name.c_str());
  info.pPortName = const_cast<wchar_t*>(place.port);
  info.pDriverName = const_cast<wchar_t*>(place.driver);
  info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
  info.pDatatype = const_cast<wchar_t*>(L"RAW");
  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  const UniquePrinter printer(AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info)));
  return printer ? ERROR_SUCCESS : LastErrorOr(ERROR_GEN_FAILURE);
}

DWORD RemovePrinter(const std::wstring& name) {
  PRINTER_DEFAULTSW rights{nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE raw = nullptr;
  if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &raw, &rights)) {
    const DWORD error = GetLastError();
    return error == ERROR_INVALID_PRINTER_NAME ? ERROR_SUCCESS : LastErrorOr(ERROR_GEN_FAILURE);
  }
  const UniquePrinter printer(raw);
  return DeletePrinter(printer.get()) ? ERROR_SUCCESS : LastErrorOr(ERROR_GEN_FAILURE);
}

}  // namespace tarnwell::standin
