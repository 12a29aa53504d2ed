// What the stand-in package asks of the print spooler: one printer, on a
// driver the system already has (or, under Wine, the PostScript driver it
// adds when missing).
#pragma once

#include <windows.h>

#include <string>

namespace tarnwell::standin {

// Where the printer goes: the built-in PDF driver and the port that asks for
// a file name on Windows; the PostScript driver and the file port under Wine.
struct PrinterPlace {
  const wchar_t* driver;
  const wchar_t* port;
};

inline constexpr wchar_t kWinePostScriptDriver[] = L"Wine PostScript Driver";
inline constexpr PrinterPlace kWindowsPlace{L"Microsoft Print To PDF", L"PORTPROMPT:"};
inline constexpr PrinterPlace kWinePlace{kWinePostScriptDriver, L"FILE:"};

bool RunningUnderWine();
PrinterPlace PlaceForThisSystem();

bool PrinterExists(const std::wstring& name);
bool DriverExists(const wchar_t* driver);

// Adds Wine's PostScript driver with a small generic page description of our
// own when it is missing. Returns the error number (0 on success); `added`
// tells whether this call added it.
DWORD EnsureWinePostScriptDriver(bool* added);
// Adds Wine's PostScript driver under `name` for the platform `environment`
// ("Windows x64"; null: this one). Returns the error number.
DWORD AddWinePostScriptDriverAs(const wchar_t* name, const wchar_t* environment);
DWORD RemoveDriver(const wchar_t* driver, const wchar_t* environment = nullptr);

// Adds the port through the local port monitor when it is missing (a user
// or a clean-up may have deleted it). Returns the error number.
DWORD EnsurePort(const wchar_t* port);

// Each returns the error number, 0 on success.
DWORD AddPrinterAt(const std::wstring& name, const PrinterPlace& place);
// A printer that is not there counts as removed.
DWORD RemovePrinter(const std::wstring& name);

}  // namespace tarnwell::standin
