#include "core/printer/protected_print.h"

#include <cstdint>

namespace tarnwell {
namespace {

enum class PolicySays { On, Off };

std::wstring PolicyName() {
  return std::wstring(L"The policy value HKLM\\") + protected_print::kPolicyKey + L"\\" +
         protected_print::kPolicyValue;
}

// What the policy value says, and a line for the log.
PolicySays ReadPolicy(Machine& machine, std::vector<std::wstring>& lines) {
  const RegistryData data =
      machine.QueryMachinePolicyValue(protected_print::kPolicyKey, protected_print::kPolicyValue);
  if (data.status == reg::kFileNotFound) {
    lines.push_back(PolicyName() + L" is not set.");
    return PolicySays::Off;
  }
  if (data.status != reg::kSuccess) {
    lines.push_back(PolicyName() + L" could not be read (system error " +
                    std::to_wstring(data.status) + L"): taken as not set.");
    return PolicySays::Off;
  }
  if (data.type != reg::kDword || data.bytes.size() != 4) {
    lines.push_back(PolicyName() + L" is not a DWORD (type " + std::to_wstring(data.type) +
                    L", " + std::to_wstring(data.bytes.size()) +
                    L" bytes): not the policy's, taken as not set.");
    return PolicySays::Off;
  }
  const std::uint32_t value = static_cast<std::uint32_t>(data.bytes[0]) |
                              static_cast<std::uint32_t>(data.bytes[1]) << 8 |
                              static_cast<std::uint32_t>(data.bytes[2]) << 16 |
                              static_cast<std::uint32_t>(data.bytes[3]) << 24;
  if (value == 1) {
    lines.push_back(PolicyName() + L" is 1: the policy turns the mode on.");
    return PolicySays::On;
  }
  lines.push_back(PolicyName() + L" is " + std::to_wstring(value) +
                  (value == 0 ? L": the policy turns the mode off." : L": not 1, taken as off."));
  return PolicySays::Off;
}

}  // namespace

ProtectedPrintFindings FindProtectedPrintMode(Machine& machine) {
  ProtectedPrintFindings findings;
  const ProtectedPrintAnswer answer = machine.AskProtectedPrintMode();
  const PolicySays policy = ReadPolicy(machine, findings.lines);
  switch (answer) {
    case ProtectedPrintAnswer::On:
      findings.lines.push_back(L"Windows answers that Windows protected print mode is on.");
      findings.on = true;
      break;
    case ProtectedPrintAnswer::Off:
      findings.lines.push_back(L"Windows answers that Windows protected print mode is off.");
      break;
    case ProtectedPrintAnswer::NotAvailable:
      findings.lines.push_back(
          L"Windows cannot be asked whether Windows protected print mode is on (it can from "
          L"Windows 11 24H2): the policy value decides.");
      findings.on = policy == PolicySays::On;
      break;
  }
  findings.lines.push_back(findings.on ? L"Windows protected print mode is on."
                                       : L"Windows protected print mode is off.");
  return findings;
}

}  // namespace tarnwell
