#include "core/unattended/in_use_count.h"

#include <cwctype>

#include "core/printer/registry.h"
#include "core/unattended/shipped_version.h"

namespace tarnwell {
namespace {

bool SameFile(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  }
  return true;
}

}  // namespace

std::optional<InUseRecord> ParseInUseRecord(const std::wstring& text) {
  const std::size_t bar = text.find(L'|');
  if (bar == 0 || bar == std::wstring::npos || bar > 9 || bar + 1 == text.size()) {
    return std::nullopt;
  }
  InUseRecord record;
  for (std::size_t i = 0; i < bar; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
    record.count = record.count * 10 + static_cast<unsigned>(text[i] - L'0');
  }
  record.file = text.substr(bar + 1);
  return record;
}

std::optional<InUseRecord> KeptInUseRecord(Machine& machine) {
  return ParseInUseRecord(RegistryValueText(
      ReadRegistryValue(machine, RegRoot::LocalMachine, kProgramKey, kInUseValue)));
}

unsigned NextInUseCount(const std::optional<InUseRecord>& kept, const std::wstring& file) {
  return kept && SameFile(kept->file, file) ? kept->count + 1 : 1;
}

unsigned CountInUse(Machine& machine, const std::wstring& file) {
  const unsigned count = NextInUseCount(KeptInUseRecord(machine), file);
  if (!machine.WriteRegistryText(RegRoot::LocalMachine, kProgramKey, kInUseValue,
                                 std::to_wstring(count) + L"|" + file)) {
    return 1;
  }
  return count;
}

void ForgetInUse(Machine& machine) {
  if (KeptInUseRecord(machine)) {
    machine.WriteRegistryText(RegRoot::LocalMachine, kProgramKey, kInUseValue, L"");
  }
}

}  // namespace tarnwell
