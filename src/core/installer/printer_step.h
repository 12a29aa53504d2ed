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
// ('|' cannot be part of a path), and for the install step
// "|<PRINTERUPDATE>|<product there before>|<printer there before>": the
// third is what the package formats from Installed (a repair) and
// WIX_UPGRADE_DETECTED (an upgrade), the fourth PRINTERWASPRESENT; each
// counts when it is not empty.
struct PrinterStepData {
  std::wstring program;
  std::wstring log_file;
  unsigned time_limit_seconds = kDefaultPrinterStepSeconds;
  // PRINTERUPDATE is 1: /install /update, so that an upgrade that carries a
  // newer printer package installs it.
  bool update = false;
  // This run is an upgrade or a repair: the product was on the PC before.
  bool product_was_there = false;
  bool printer_was_there = false;
};

// The data read, or nothing when the program or the log file is not a
// fully qualified path. Seconds /timeout would refuse become the default.
std::optional<PrinterStepData> ReadPrinterStepData(const std::wstring& data);

// Why the install step's program could not put the printer on this PC.
enum class PrinterBarrier {
  kNone,            // another failure: it may succeed in another run
  kProtectedPrint,  // the program answered 1625
  kSpoolerDisabled, // it failed, and the Print Spooler service is disabled
};

// The barrier behind a failed install step: `exit_code` is the program's,
// `spooler_disabled` whether the Print Spooler service's start type is
// disabled once it has ended.
PrinterBarrier FindPrinterBarrier(int exit_code, bool spooler_disabled);

// Whether a failed install step lets the installation succeed without the
// printer. Only an upgrade or a repair on a PC that had no printer before
// the run, and where it cannot be: the product's files, security fixes
// included, are not held back by a printer the PC could not have anyway. A
// first installation still fails (detected by its ProductCode as done, it
// would never bring the printer), and so does a run that had a printer to
// lose or may succeed another time.
bool SkipsFailedPrinterStep(const PrinterStepData& step, PrinterBarrier barrier);

// "<program>" <switch> [/log "<log file>"] /timeout <seconds>; without a
// log file the program writes none.
std::wstring PrinterStepCommandLine(const std::wstring& program, const wchar_t* command_switch,
                                    const std::optional<std::wstring>& log_file,
                                    unsigned time_limit_seconds);

}  // namespace tarnwell
