// Registry reads (module RegStuff): strings and 32-bit integers only.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "core/port/machine.h"

namespace tarnwell {

struct Empty {
  bool operator==(const Empty&) const = default;
};
// Empty, Text or a 32-bit Integer.
using RegistryValue = std::variant<Empty, std::wstring, std::int32_t>;

inline constexpr long kUnsupportedTypeStatus = -1;

// Turns a value as stored into Text or Integer; may overwrite `value`.
// Returns 0, the read's error code, or -1 for a type that is not read. A
// string comes back without the one terminating NUL stored with it (nothing
// else is trimmed); 32-bit integer data of another length fails the read.
long DecodeRegistryValue(const RegistryData& data, RegistryValue& value);

// Reads the value through the machine (the key opened read-only and closed
// again). Empty is the only sign of failure.
RegistryValue ReadRegistryValue(Machine& machine, RegRoot root, const std::wstring& key_path,
                                const std::wstring& value_name);

// The ordinary conversion to text: Empty is empty, Integer its decimal digits.
std::wstring RegistryValueText(const RegistryValue& value);

}  // namespace tarnwell
