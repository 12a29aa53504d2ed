// What /install /update remembers when a printer package's two version
// schemes differ: the setup program's version resource says "7.1.0.123",
// the DisplayVersion it registers says "7.1", and the one compares older
// than the other for ever. Without a record every /status /update would
// answer 3 and every /install /update would remove and install the same
// package again, taking the users' default printer each time.
#pragma once

#include <string>

#include "core/port/machine.h"
#include "core/unattended/log_sink.h"

namespace tarnwell {

// The program's own key (32-bit view of HKEY_LOCAL_MACHINE, beside the
// Windows Installer package's values) and the value that names the setup
// version last installed and the version it registered: "<setup>|<registered>".
inline constexpr wchar_t kProgramKey[] = L"SOFTWARE\\Quellmark\\Tarnwell PDF Printer Software";
inline constexpr wchar_t kShippedVersionValue[] = L"PrinterPackageRegisteredAs";

// Whether the setup of version `beside` was installed by /install /update
// and registered itself as `registered`: then that package is the one
// beside the program, whatever the two numbers say.
bool InstalledAsShipped(Machine& machine, const std::wstring& beside,
                        const std::wstring& registered);

// After the setup of /install /update: true when the registered version is
// not older than the setup beside the program. Otherwise the two versions
// go to the log, the pair is remembered (which needs administrator rights)
// so that the same package is not installed again, and false.
bool RegisteredAsShipped(Machine& machine, LogSink& log);

}  // namespace tarnwell
