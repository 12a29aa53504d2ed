#include "core/printer/registry.h"

#include <cstring>

namespace tarnwell {

long DecodeRegistryValue(const RegistryData& data, RegistryValue& value) {
  if (data.status != reg::kSuccess) return data.status;

  if (data.type == reg::kSz) {
    std::size_t length = data.bytes.size() / sizeof(wchar_t);
    std::wstring text(length, L'\0');
    std::memcpy(text.data(), data.bytes.data(), length * sizeof(wchar_t));
    if (length > 0 && text[length - 1] == L'\0') text.pop_back();
    value = std::move(text);
    return reg::kSuccess;
  }

  if (data.type == reg::kDword) {
    // Longer data fails the read rather than being cut to an integer.
    if (data.bytes.size() != sizeof(std::int32_t)) return reg::kMoreData;
    std::int32_t number = 0;
    std::memcpy(&number, data.bytes.data(), sizeof(number));
    value = number;
    return reg::kSuccess;
  }

  return kUnsupportedTypeStatus;
}

RegistryValue ReadRegistryValue(Machine& machine, RegRoot root, const std::wstring& key_path,
                                const std::wstring& value_name) {
  RegistryValue value = Empty{};
  DecodeRegistryValue(machine.QueryRegistryValue(root, key_path, value_name), value);
  return value;
}

std::wstring RegistryValueText(const RegistryValue& value) {
  if (const auto* text = std::get_if<std::wstring>(&value)) return *text;
  if (const auto* number = std::get_if<std::int32_t>(&value)) return std::to_wstring(*number);
  return {};
}

}  // namespace tarnwell
