// The machine the benchmarks run on: the printers they add, the package's
// traces they clear, the application folders they lay out, and the settings
// they change for the run and put back afterwards. Everything that touches
// printers runs in bench_printers.exe beside the driver (see there why).
#pragma once

#include <string>

#include "app_files.h"

namespace bench {

using support::kPackageName;
using support::kProgramFile;

// Makes exactly `count` bench printers exist, on the driver and port the
// package's printer uses.
bool SetBenchPrinterCount(int count);
// Removes every bench printer, also those a broken earlier run left behind.
void RemoveBenchPrinters();

// No package printer, no package folder in the programs folder, no uninstall
// registration.
void ResetPackage();
bool PackagePrinterExists();

// Settings the run changes, put back by the destructor: Wine's X11 driver
// leaves the windows unmanaged (without a window manager Wine otherwise
// waits two seconds whenever a top-level window hides), and the default
// printer, noted in `scratch_folder`, is restored when it still exists.
class RunSettings {
 public:
  explicit RunSettings(const std::wstring& scratch_folder);
  ~RunSettings();
  RunSettings(const RunSettings&) = delete;
  RunSettings& operator=(const RunSettings&) = delete;

 private:
  bool managed_value_added_ = false;
  std::wstring default_printer_file_;
};

// A fresh application folder `<root>\<name>` copied from the dist folder
// (program, cursor file, package folder); removed on destruction.
class AppFolder {
 public:
  AppFolder(const std::wstring& root, const std::wstring& name, const std::wstring& dist);
  ~AppFolder();
  AppFolder(const AppFolder&) = delete;
  AppFolder& operator=(const AppFolder&) = delete;

  bool ok() const { return ok_; }
  const std::wstring& path() const { return path_; }
  std::wstring Program() const { return path_ + L"\\" + kProgramFile; }
  std::wstring Package() const { return path_ + L"\\" + kPackageName; }
  // Runs the package's setup as it is meant to run, without the program.
  bool InstallPackageDirectly() const;
  // Puts `setup_stand_in` in place of setup.exe, keeping the real one beside
  // it as real-setup.exe.
  bool UseSetupStandIn(const std::wstring& setup_stand_in) const;

 private:
  std::wstring path_;
  bool ok_ = false;
};

// The folder holding the running program, without a trailing separator.
std::wstring OwnFolder();

}  // namespace bench
