// The exit codes of the unattended commands. They follow the installer
// conventions deployment systems already read, so a rule written for any
// other package reads ours the same way.
//
//   code  meaning
//   0     done, or nothing to do; /status: the printer is installed
//   1     /status: the printer is not installed
//   2     /status: the printer is installed but does not work: its driver or
//         port, or the package's uninstall registration, is missing
//   3     /status /update: the printer works, but the package beside the
//         program is newer than the installed one
//   740   the setup or uninstaller needs administrator rights this run lacks
//   1603  failed: package or setup program missing, the setup or uninstaller
//         could not be started, the printer not there after the install or
//         still there after the uninstall, no uninstall command registered,
//         the default printer not set, the time limit (/timeout) ran out, the
//         printer list cannot be read (Print Spooler stopped), the lock's name
//         taken by an object this program did not make, or, run as
//         LocalSystem or elevated, what it would start can be changed by an
//         account other than the trusted ones, or after /install /update
//         the package registered a version older than its setup program's
//   1618  another install or removal of the printer is in progress, the
//         printer package met another install in progress, or, run as
//         LocalSystem or elevated, another program has a file of what would
//         be started open so that it cannot be checked (a sharing
//         violation), or held up its check past the bound: try again later
//   1622  the log file cannot be opened in time, or may not be written
//   1625  /install: Windows protected print mode is on, so the printer
//         package (which brings its own driver) cannot be installed on this
//         PC; nothing was done
//   1639  invalid command line
//   1641  done; the printer package has started a restart
//   3010  done; a restart is needed to finish
//
// /status answers 0 only for a printer that is there, works and, with
// /update, is up to date, so a detection rule that treats anything but 0 as
// "not detected" runs /install (/install /update) exactly when it mends
// something. 2 and 3 are small numbers no installer answers with: no tool
// reads them as success, a restart or "try again later", and a script that
// wants to tell them apart from "not installed" (1) still can.
//
// 1625 is Windows Installer's ERROR_INSTALL_PACKAGE_REJECTED, "This
// installation is forbidden by system policy": that is what the mode is, a
// policy (or its switch in Settings) that forbids this install on this PC.
// Deployment tools count it as a failure and do not retry it (only 1618 is
// "try again", 3010 and 1641 restarts), and it is not 1603, so a report
// tells "cannot be installed on this PC" from "failed, try again". /status
// keeps its codes: it reports the printer, and a requirement rule, which
// must decide before the program is on the PC, reads the mode itself
// (docs/protected-print.md).
#pragma once

namespace tarnwell::exit_code {

inline constexpr int kDone = 0;
inline constexpr int kNotInstalled = 1;
inline constexpr int kBroken = 2;
inline constexpr int kOlder = 3;
inline constexpr int kElevationRequired = 740;
inline constexpr int kFailed = 1603;
inline constexpr int kAnotherInProgress = 1618;
inline constexpr int kLogNotOpened = 1622;
inline constexpr int kProtectedPrint = 1625;
inline constexpr int kInvalidCommandLine = 1639;
inline constexpr int kRestartStarted = 1641;
inline constexpr int kRestartRequired = 3010;

}  // namespace tarnwell::exit_code
