// Windows protected print mode (Windows 11 24H2 and later): while it is on,
// Windows loads and installs no printer driver but its own, so the printer
// package, which brings its own driver, cannot be installed. Told before a
// setup runs, so that nobody waits for a setup that cannot succeed.
//
// Two sources, because neither is everywhere:
// - Windows' own answer, WindowsProtectedPrintInfo.IsProtectedPrintEnabled
//   (https://learn.microsoft.com/en-us/uwp/api/windows.graphics.printing.protectedprint.windowsprotectedprintinfo,
//   Windows 11 24H2, 10.0.26100, and later). It is the mode as it is,
//   whoever turned it on (the policy, or a person in Settings).
// - The policy "Configure Windows protected print" (Printing.admx, Computer
//   Configuration > Administrative Templates > Printers; Policy CSP
//   Printers/ConfigureWindowsProtectedPrint,
//   https://learn.microsoft.com/en-us/windows/client-management/mdm/policy-csp-printers#configurewindowsprotectedprint):
//   the DWORD WindowsProtectedPrintGroupPolicyState under
//   HKLM\SOFTWARE\Policies\Microsoft\Windows NT\Printers\WPP, 1 when the
//   policy is enabled, 0 when it is disabled (the ADMX's enabledValue and
//   disabledValue), absent when it is not configured.
//
// How they combine: where Windows answers, its answer decides, in both
// directions, because it is the mode in force (a value the policy engine
// has written but the spooler has not yet taken up is not yet the mode, and
// the Settings switch writes no documented value). Where Windows cannot
// answer (before 24H2, or the class cannot be activated), the policy value
// decides: 1 is on; 0, absent, another number, another type or a value that
// cannot be read are off, so that a PC on which nothing can be told
// installs as before. No other value is read: the one Settings writes is
// not documented.
#pragma once

#include <string>
#include <vector>

#include "core/port/machine.h"

namespace tarnwell {

namespace protected_print {
inline constexpr wchar_t kPolicyKey[] = L"SOFTWARE\\Policies\\Microsoft\\Windows NT\\Printers\\WPP";
inline constexpr wchar_t kPolicyValue[] = L"WindowsProtectedPrintGroupPolicyState";
}  // namespace protected_print

struct ProtectedPrintFindings {
  bool on = false;
  // Lines for the unattended log, in English: what each source said and
  // what the program concluded.
  std::vector<std::wstring> lines;
};

// Asks both sources; never throws.
ProtectedPrintFindings FindProtectedPrintMode(Machine& machine);

}  // namespace tarnwell
