// What the Windows Installer package's printer steps hand the program, and
// the command line they start it with: the program's own switches, bounds
// and quoting, so the package and the program cannot disagree.
#pragma once

#include <optional>
#include <string>

namespace tarnwell {

// PRINTERTIMEOUT when it is not set, or not a number of seconds /timeout takes.
inline constexpr unsigned kDefaultPrinterStepSeconds = 1800;
// How long past its own limit the program may take to end what it started
// and write its log, before the step ends it.
inline constexpr unsigned kPrinterStepGraceSeconds = 120;

// One deferred step's CustomActionData: "<program>|<log file>|<seconds>"
// ('|' cannot be part of a path), and for the install step "|<PRINTERUPDATE>".
struct PrinterStepData {
  std::wstring program;
  std::wstring log_file;
  unsigned time_limit_seconds = kDefaultPrinterStepSeconds;
  // PRINTERUPDATE is 1: /install /update, so that an upgrade that carries a
  // newer printer package installs it.
  bool update = false;
};

// The data read, or nothing when the program or the log file is not a
// fully qualified path. Seconds /timeout would refuse become the default.
std::optional<PrinterStepData> ReadPrinterStepData(const std::wstring& data);

// "<program>" <switch> [/log "<log file>"] /timeout <seconds>; without a
// log file the program writes none.
std::wstring PrinterStepCommandLine(const std::wstring& program, const wchar_t* command_switch,
                                    const std::optional<std::wstring>& log_file,
                                    unsigned time_limit_seconds);

}  // namespace tarnwell
