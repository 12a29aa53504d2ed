#include "core/printer/registry.h"

#include <vector>

namespace tarnwell {

long QueryOpenKeyValue(Machine& machine, RegKey key, const std::wstring& value_name,
                       RegistryValue& value) {
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  long status = machine.QueryRegValue(key, value_name, &type, nullptr, &size);
  if (status != reg::kSuccess) return status;

  if (type == reg::kSz) {
    // Room for one more character than asked, so that the platform's own
    // terminator never lands outside the buffer.
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    std::uint32_t got = size;
    status = machine.QueryRegValue(key, value_name, &type, buffer.data(), &got);
    if (status != reg::kSuccess || type != reg::kSz || got != size) {
      // Failed, or the value changed between the two queries.
      value = Empty{};
      return status != reg::kSuccess ? status : reg::kMoreData;
    }
    std::size_t length = got / sizeof(wchar_t);
    if (length > 0 && buffer[length - 1] == L'\0') --length;
    value = std::wstring(buffer.data(), length);
    return status;
  }

  if (type == reg::kDword) {
    // Longer data fails the read rather than being written past the integer.
    if (size != sizeof(std::int32_t)) return reg::kMoreData;
    std::int32_t number = 0;
    std::uint32_t got = sizeof(number);
    status = machine.QueryRegValue(key, value_name, &type, &number, &got);
    if (status == reg::kSuccess && type == reg::kDword && got == sizeof(number)) {
      value = number;
    } else if (status == reg::kSuccess) {
      status = reg::kMoreData;
    }
    return status;
  }

  return kUnsupportedTypeStatus;
}

RegistryValue ReadRegistryValue(Machine& machine, RegRoot root, const std::wstring& key_path,
                                const std::wstring& value_name) {
  RegistryValue value = Empty{};
  RegKey key = 0;
  if (machine.RegOpenKeyForRead(root, key_path, &key) != reg::kSuccess) return value;
  QueryOpenKeyValue(machine, key, value_name, value);
  machine.RegCloseKey(key);
  return value;
}

std::wstring RegistryValueText(const RegistryValue& value) {
  if (const auto* text = std::get_if<std::wstring>(&value)) return *text;
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_wstring(*number);
  return {};
}

}  // namespace tarnwell
