// bench_printers.exe: the driver's chores with printers and with the
// package's traces, done in a process of their own.
//
// Under Wine, the first process to load the spooler's DLL runs a round of
// printer bookkeeping (enumerating every printer several times) and keeps a
// named mutex for as long as it lives; every process that loads the DLL
// meanwhile skips that round. The driver must therefore never load the DLL
// itself, or every program start it measures would be spared a cost that a
// user's start is not.
//
//   set-count N            exactly N bench printers ("Bench Printer 001", ...)
//   remove-all             no bench printers, also those of a broken earlier run
//   reset-package          no package printer, package folder or registration
//   package-present        exit code 0 when the package's printer exists
//   save-default FILE      writes the default printer's name to FILE
//   restore-default FILE   makes the printer named in FILE the default again,
//                          when it still exists
// Exit code 0 on success, 1 otherwise, 2 for a command it does not know.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

#include "app_files.h"
#include "installed_files.h"
#include "printer_names.h"
#include "registration.h"
#include "spooler.h"

namespace {

using namespace tarnwell::standin;
using support::kPackageName;
using support::PrinterNames;

constexpr wchar_t kBenchPrinterPrefix[] = L"Bench Printer ";

std::wstring BenchPrinterName(int number) {
  wchar_t name[64];
  std::swprintf(name, 64, L"%ls%03d", kBenchPrinterPrefix, number);
  return name;
}

bool Exists(const std::wstring& printer) {
  for (const std::wstring& name : PrinterNames()) {
    if (name == printer) return true;
  }
  return false;
}

int CountBenchPrinters() {
  int count = 0;
  for (const std::wstring& name : PrinterNames()) {
    if (name.starts_with(kBenchPrinterPrefix)) ++count;
  }
  return count;
}

// Bench printers are numbered from 1 without gaps, so the count says which
// ones exist.
bool SetCount(int count) {
  int have = CountBenchPrinters();
  if (have < count) {
    bool driver_added = false;
    if (EnsureWinePostScriptDriver(&driver_added) != ERROR_SUCCESS && RunningUnderWine()) {
      return false;
    }
    const PrinterPlace place = PlaceForThisSystem();
    for (; have < count; ++have) {
      if (AddPrinterAt(BenchPrinterName(have + 1), place) != ERROR_SUCCESS) return false;
    }
  }
  for (; have > count; --have) RemovePrinter(BenchPrinterName(have));
  return CountBenchPrinters() == count;
}

bool RemoveAll() {
  for (const std::wstring& name : PrinterNames()) {
    if (name.starts_with(kBenchPrinterPrefix)) RemovePrinter(name);
  }
  return CountBenchPrinters() == 0;
}

bool ResetPackage() {
  RemovePrinter(kPackageName);
  const std::wstring folder = InstalledFolder();
  if (!folder.empty()) RemoveFolderTree(folder);
  RemoveRegistration();
  return !Exists(kPackageName);
}

bool SaveDefault(const wchar_t* file) {
  wchar_t name[512] = {};
  DWORD size = 512;
  if (!GetDefaultPrinterW(name, &size)) name[0] = L'\0';
  std::wofstream out(file, std::ios::trunc);
  out << name;
  return static_cast<bool>(out);
}

bool RestoreDefault(const wchar_t* file) {
  std::wifstream in(file);
  std::wstring name;
  std::getline(in, name);
  if (name.empty() || !Exists(name)) return true;
  return SetDefaultPrinterW(name.c_str()) != FALSE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring command = argv[1];
  const wchar_t* argument = argc > 2 ? argv[2] : nullptr;
  bool done = false;
  if (command == L"set-count" && argument) done = SetCount(_wtoi(argument));
  else if (command == L"remove-all") done = RemoveAll();
  else if (command == L"reset-package") done = ResetPackage();
  else if (command == L"package-present") done = Exists(kPackageName);
  else if (command == L"save-default" && argument) done = SaveDefault(argument);
  else if (command == L"restore-default" && argument) done = RestoreDefault(argument);
  else return 2;
  return done ? 0 : 1;
}
