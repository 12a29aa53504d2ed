// The protected-print policy value written in the registry's 64-bit view
// only, as a 64-bit policy engine writes it, is seen by the 32-bit program;
// on Windows 11 24H2 and later, Windows' own answer agrees with it. The
// value written is 0, "disabled", so the PC's printing is not changed.
// https://learn.microsoft.com/en-us/windows/win32/winprog64/accessing-an-alternate-registry-view
// https://learn.microsoft.com/en-us/windows/client-management/mdm/policy-csp-printers#configurewindowsprotectedprint
// https://learn.microsoft.com/en-us/uwp/api/windows.graphics.printing.protectedprint.windowsprotectedprintinfo.isprotectedprintenabled
#include "core/printer/protected_print.h"
#include "kit_context.h"
#include "win32/machine/machine.h"

namespace kit {
namespace {

using tarnwell::protected_print::kPolicyKey;
using tarnwell::protected_print::kPolicyValue;

// Whether the value is set in the view `view` (KEY_WOW64_64KEY or _32KEY).
bool ValueSet(REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_QUERY_VALUE | view, &key)) return false;
  const bool set = RegQueryValueExW(key, kPolicyValue, nullptr, nullptr, nullptr, nullptr) == 0;
  RegCloseKey(key);
  return set;
}

constexpr DWORD kFirst24H2Build = 26100;

}  // namespace

Outcome PolicyIn64BitViewAndProtectedPrintApi(const Context& context, Cleanup& cleanup) {
  if (context.under_wine) {
    return Skipped("Wine 8 has no protected-print class to agree with the value, and its "
                   "registry views are Wine's, not Windows'");
  }
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) {
    return Skipped("32-bit Windows has no 64-bit registry view");
  }
  if (ValueSet(KEY_WOW64_64KEY) || ValueSet(KEY_WOW64_32KEY)) {
    return Skipped("this PC sets the protected-print policy already; the kit leaves it alone");
  }
  HKEY key = nullptr;
  DWORD disposition = 0;
  const LONG created = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, 0, nullptr, 0,
                                       KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key,
                                       &disposition);
  if (created) return Failed("could not open the policy key: " + SystemError(created));
  const bool made_key = disposition == REG_CREATED_NEW_KEY;
  cleanup.Add("the policy value written in the 64-bit view", [made_key]() -> std::string {
    if (made_key) {
      const LONG deleted = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, KEY_WOW64_64KEY, 0);
      return deleted ? SystemError(deleted) : "";
    }
    HKEY policy = nullptr;
    LONG deleted = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, 0,
                                 KEY_SET_VALUE | KEY_WOW64_64KEY, &policy);
    if (!deleted) {
      deleted = RegDeleteValueW(policy, kPolicyValue);
      RegCloseKey(policy);
    }
    return deleted ? SystemError(deleted) : "";
  });
  const DWORD off = 0;
  const LONG written = RegSetValueExW(key, kPolicyValue, 0, REG_DWORD,
                                      reinterpret_cast<const BYTE*>(&off), sizeof off);
  RegCloseKey(key);
  if (written) return Failed("could not write the policy value: " + SystemError(written));

  tarnwell::Win32Machine machine;
  const tarnwell::ProtectedPrintFindings findings = tarnwell::FindProtectedPrintMode(machine);
  std::vector<std::string> details;
  for (const std::wstring& line : findings.lines) details.push_back(Utf8(line));
  const std::wstring seen = std::wstring(L"The policy value HKLM\\") + kPolicyKey + L"\\" +
                            kPolicyValue + L" is 0: the policy turns the mode off.";
  if (findings.lines.empty() || findings.lines.front() != seen) {
    return Failed("the program did not see the value written in the 64-bit view", details);
  }
  if (findings.on) return Failed("the program judged the mode on", details);
  const DWORD build = WindowsBuild();
  const tarnwell::ProtectedPrintAnswer answer = machine.AskProtectedPrintMode();
  if (build >= kFirst24H2Build) {
    if (answer == tarnwell::ProtectedPrintAnswer::NotAvailable) {
      return Failed("Windows build " + std::to_string(build) + " gave no answer", details);
    }
    if (answer != tarnwell::ProtectedPrintAnswer::Off) {
      return Failed("Windows answers that the mode is on, the policy value says off", details);
    }
    details.push_back("Windows build " + std::to_string(build) + " answers off, as the value says");
  } else {
    details.push_back("Windows build " + std::to_string(build) +
                      ": before 24H2, Windows is not asked");
  }
  return Passed(details);
}

}  // namespace kit
