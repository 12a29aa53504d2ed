// The exit codes of the unattended commands. They follow the installer
// conventions deployment systems already read, so a rule written for any
// other package reads ours the same way.
//
//   code  meaning
//   0     done, or nothing to do; /status: the printer is installed
//   1     /status: the printer is not installed
//   740   the setup or uninstaller needs administrator rights this run lacks
//   1603  failed: package or setup program missing, the setup or uninstaller
//         could not be started, the printer not there after the install or
//         still there after the uninstall, no uninstall command registered,
//         the default printer not set, the time limit (/timeout) ran out, the
//         printer list cannot be read (Print Spooler stopped), the lock's name
//         taken by an object this program did not make, or, run as
//         LocalSystem or elevated, what it would start can be changed by an
//         account other than the trusted ones
//   1618  another install or removal of the printer is in progress, or the
//         printer package met another install in progress: try again later
//   1622  the log file cannot be opened in time, or may not be written
//   1639  invalid command line
//   1641  done; the printer package has started a restart
//   3010  done; a restart is needed to finish
#pragma once

namespace tarnwell::exit_code {

inline constexpr int kDone = 0;
inline constexpr int kNotInstalled = 1;
inline constexpr int kElevationRequired = 740;
inline constexpr int kFailed = 1603;
inline constexpr int kAnotherInProgress = 1618;
inline constexpr int kLogNotOpened = 1622;
inline constexpr int kInvalidCommandLine = 1639;
inline constexpr int kRestartStarted = 1641;
inline constexpr int kRestartRequired = 3010;

}  // namespace tarnwell::exit_code
