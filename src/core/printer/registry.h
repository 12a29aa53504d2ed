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

// Reads one value of a key that is already open; may overwrite `value`.
// Returns 0, the platform's error code, or -1 for a type that is not read.
// A string comes back without the one terminating NUL stored with it.
long QueryOpenKeyValue(Machine& machine, RegKey key, const std::wstring& value_name,
                       RegistryValue& value);

// Opens the key read-only, reads the value, closes the key. Empty is the only
// sign of failure.
RegistryValue ReadRegistryValue(Machine& machine, RegRoot root, const std::wstring& key_path,
                                const std::wstring& value_name);

// The ordinary conversion to text: Empty is empty, Integer its decimal digits.
std::wstring RegistryValueText(const RegistryValue& value);

}  // namespace tarnwell
