#include "core/printer/package_version.h"

#include <algorithm>
#include <cstddef>

#include "core/port/machine.h"
#include "core/printer/package.h"
#include "core/printer/registry.h"

namespace tarnwell {
namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Nine digits stay below 2^32, so no field can overflow.
constexpr std::size_t kMaxFieldDigits = 9;

}  // namespace

std::optional<std::vector<std::uint32_t>> ReadVersionNumbers(std::wstring_view text) {
  std::size_t at = text.find_first_not_of(L" \t");
  if (at == std::wstring_view::npos) return std::nullopt;
  if (text[at] == L'v' || text[at] == L'V') ++at;
  std::vector<std::uint32_t> fields;
  while (true) {
    std::size_t digits = 0;
    std::uint32_t value = 0;
    while (at < text.size() && IsDigit(text[at])) {
      if (++digits > kMaxFieldDigits) return std::nullopt;
      value = value * 10 + static_cast<std::uint32_t>(text[at] - L'0');
      ++at;
    }
    if (digits == 0) return std::nullopt;  // no number where one must be
    fields.push_back(value);
    if (at == text.size() || text[at] != L'.') return fields;
    ++at;  // a dot: another field must follow
  }
}

std::optional<int> CompareVersions(std::wstring_view a, std::wstring_view b) {
  const auto left = ReadVersionNumbers(a);
  const auto right = ReadVersionNumbers(b);
  if (!left || !right) return std::nullopt;
  const std::size_t fields = std::max(left->size(), right->size());
  for (std::size_t i = 0; i < fields; ++i) {
    const std::uint32_t x = i < left->size() ? (*left)[i] : 0;
    const std::uint32_t y = i < right->size() ? (*right)[i] : 0;
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

std::optional<std::wstring> RegisteredPackageVersion(Machine& machine) {
  const RegistryValue value = ReadRegistryValue(
      machine, RegRoot::LocalMachine, package::UninstallKeyPath(), package::kDisplayVersionValue);
  const auto* text = std::get_if<std::wstring>(&value);
  if (!text) return std::nullopt;
  return *text;
}

}  // namespace tarnwell
